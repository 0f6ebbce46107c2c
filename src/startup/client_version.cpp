#include "startup/client_version.h"

namespace lintrove {

const std::string& ClientVersion() {
  // The build's version is the one the Windows build writes into the version resource.
  static const std::string version = LINTROVE_VERSION;
  return version;
}

std::string FormatFileVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
  return std::to_string(mostSignificant >> 16) + '.' + std::to_string(mostSignificant & 0xFFFF) +
         '.' + std::to_string(leastSignificant >> 16) + '.' +
         std::to_string(leastSignificant & 0xFFFF);
}

}  // namespace lintrove
