#include "platform/wine_prefix.h"

#include "platform/posix/posix_installer_database.h"
#include "platform/posix/wine_prefix_registry.h"

namespace lintrove::platform {
namespace {

class PosixWinePrefix final : public WinePrefix {
 public:
  explicit PosixWinePrefix(const std::filesystem::path& directory)
      : registry_(directory), installer_(registry_) {}

  const std::filesystem::path& Directory() const override { return registry_.Prefix(); }
  RegistryBackend& Registry() override { return registry_; }
  InstallerDatabase& Installer() override { return installer_; }

 private:
  WinePrefixRegistry registry_;
  PosixInstallerDatabase installer_;
};

}  // namespace

std::unique_ptr<WinePrefix> OpenWinePrefix(const std::filesystem::path& directory) {
  return std::make_unique<PosixWinePrefix>(directory);
}

}  // namespace lintrove::platform
