#include "platform/client_version.h"

#include "platform/system_info.h"

namespace lintrove {

const std::string& ClientVersion() {
  static const std::string version = [] {
    const auto fileVersion = platform::ProgramFileVersion();
    return fileVersion
               ? FormatFileVersion(fileVersion->mostSignificant, fileVersion->leastSignificant)
               : std::string();
  }();
  return version;
}

std::string FormatFileVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
  return std::to_string(mostSignificant >> 16) + '.' + std::to_string(mostSignificant & 0xFFFF) +
         '.' + std::to_string(leastSignificant >> 16) + '.' +
         std::to_string(leastSignificant & 0xFFFF);
}

}  // namespace lintrove
