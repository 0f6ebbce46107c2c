#include "platform/wine_prefix.h"

#include "base/error.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_machine_files.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/user_account.h"
#include "platform/posix/wine_prefix_registry.h"

namespace lintrove::platform {
namespace {

// A prefix without drives is still a machine whose programs can be listed; only their files are
// out of reach.
DriveMap DrivesOf(const std::filesystem::path& prefix) {
  try {
    return DriveMap::FromWinePrefix(prefix);
  } catch (const Error&) {
    return {};
  }
}

class PosixWinePrefix final : public WinePrefix {
 public:
  explicit PosixWinePrefix(const std::filesystem::path& directory)
      : registry_(directory),
        installer_(registry_),
        files_(registry_, DrivesOf(directory), LoginName()),
        shell_(WinePrefixShell(directory)) {}

  const std::filesystem::path& Directory() const override { return registry_.Prefix(); }
  RegistryBackend& Registry() override { return registry_; }
  InstallerDatabase& Installer() override { return installer_; }
  const MachineFiles& Files() const override { return files_; }
  Shell& Programs() override { return *shell_; }

 private:
  WinePrefixRegistry registry_;
  PosixInstallerDatabase installer_;
  PosixMachineFiles files_;
  std::unique_ptr<Shell> shell_;
};

}  // namespace

std::unique_ptr<WinePrefix> OpenWinePrefix(const std::filesystem::path& directory) {
  return std::make_unique<PosixWinePrefix>(directory);
}

}  // namespace lintrove::platform
