#pragma once

#include <string>

#include "platform/machine_files.h"
#include "platform/posix/drive_map.h"
#include "platform/registry.h"

namespace lintrove::platform {

// The machine a registry stands for, its drives where a drive map puts them. The environment is
// read from the registry at each expansion, so that an imported machine counts at once.
class PosixMachineFiles final : public MachineFiles {
 public:
  // user_name: the user's name where the registry does not record it.
  PosixMachineFiles(RegistryBackend& registry, DriveMap drives, std::string user_name);

  std::string ExpandEnvironment(std::string_view text) const override;
  std::optional<std::filesystem::path> ExistingFile(std::string_view path) const override;

 private:
  RegistryBackend& registry_;
  DriveMap drives_;
  std::string user_name_;
};

}  // namespace lintrove::platform
