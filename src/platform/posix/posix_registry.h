#pragma once

#include <filesystem>

#include "platform/posix/registry_store.h"
#include "platform/registry.h"

namespace lintrove::platform {

// The registry as files in a registry directory, one per root (HKEY_LOCAL_MACHINE.reg,
// HKEY_CURRENT_USER.reg) in regedit's export format. Views behave as on 64-bit Windows: the
// 32-bit view of HKLM\SOFTWARE is its WOW6432Node subtree, SOFTWARE\Classes\Installer is
// shared, HKCU is not redirected.
class PosixRegistry final : public RegistryBackend {
 public:
  explicit PosixRegistry(std::filesystem::path directory);

  const std::filesystem::path& Directory() const { return directory_; }
  RegistryStore& Store(RootKey root);

  std::unique_ptr<RegistryKeyHandle> OpenKey(RootKey root, std::string_view path, RegistryView view,
                                             KeyAccess access) override;
  bool DeleteKey(RootKey root, std::string_view path, RegistryView view) override;
  // All or nothing: both files stay locked from the first line read to the last written, and
  // nothing is written unless the whole file applied.
  void Import(std::vector<std::uint8_t> bytes, std::string_view source, RegistryView view) override;
  std::unique_ptr<StateHold> HoldState() override;

 private:
  std::filesystem::path directory_;
  RegistryStore currentUser_;
  RegistryStore localMachine_;
};

// LINTROVE_REGISTRY_DIR, else $XDG_DATA_HOME/lintrove/registry, else
// ~/.local/share/lintrove/registry.
std::filesystem::path DefaultRegistryDirectory();

// The key path a view sees, as stored.
std::vector<std::string> MapToView(RootKey root, std::vector<std::string> path, RegistryView view);

}  // namespace lintrove::platform
