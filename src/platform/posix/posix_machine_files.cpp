#include "platform/posix/posix_machine_files.h"

#include "base/error.h"
#include "platform/posix/machine_environment.h"
#include "platform/posix/user_account.h"

namespace lintrove::platform {

PosixMachineFiles::PosixMachineFiles(RegistryBackend& registry, DriveMap drives,
                                     std::string user_name)
    : registry_(registry), drives_(std::move(drives)), user_name_(std::move(user_name)) {}

std::string PosixMachineFiles::ExpandEnvironment(std::string_view text) const {
  // Most texts name no variable; they need no registry.
  if (text.find('%') == std::string_view::npos) return std::string(text);
  return ReadMachineEnvironment(registry_, user_name_).Expand(text);
}

std::optional<std::filesystem::path> PosixMachineFiles::ExistingFile(std::string_view path) const {
  return drives_.ExistingFile(path);
}

namespace {

// Without a home there is no Wine prefix, and no drive: the machine's files are then out of reach,
// which is no error of anything the user asked for.
DriveMap SystemDrives() {
  try {
    return DriveMap::FromWinePrefix(DefaultWinePrefix());
  } catch (const Error&) {
    return {};
  }
}

}  // namespace

const MachineFiles& SystemMachineFiles() {
  static const PosixMachineFiles files(SystemRegistry(), SystemDrives(), LoginName());
  return files;
}

}  // namespace lintrove::platform
