#include "platform/system_info.h"

#include <filesystem>

#include "base/error.h"

namespace lintrove::platform {

std::string ExecutablePath() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw Error("Der Pfad des Programms ist unbekannt: " + error.message());
  return path.string();
}

}  // namespace lintrove::platform
