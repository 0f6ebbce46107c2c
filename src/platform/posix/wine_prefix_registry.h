#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/posix/wine_registry_file.h"
#include "platform/registry.h"

namespace lintrove::platform {

// The registry of a Wine prefix, read from the files Wine keeps it in (system.reg for
// HKEY_LOCAL_MACHINE, user.reg for HKEY_CURRENT_USER) and never written: keys open for reading
// only, and every change is refused. A file is read again when it changed on disk. A 64-bit
// prefix has the 32-bit view of HKLM\SOFTWARE in its WOW6432Node key; a 32-bit one has a single
// view.
class WinePrefixRegistry final : public RegistryBackend {
 public:
  // Throws Error when the directory has no system.reg.
  explicit WinePrefixRegistry(std::filesystem::path prefix);
  ~WinePrefixRegistry() override;

  const std::filesystem::path& Prefix() const { return prefix_; }
  // From the prefix's "#arch" line; a prefix without one is 64-bit when it has WOW6432Node.
  bool IsWin64();

  std::unique_ptr<RegistryKeyHandle> OpenKey(RootKey root, std::string_view path, RegistryView view,
                                             KeyAccess access) override;
  bool DeleteKey(RootKey root, std::string_view path, RegistryView view) override;
  void Import(std::vector<std::uint8_t> bytes, std::string_view source, RegistryView view) override;
  std::unique_ptr<StateHold> HoldState() override;

  // Wine replaces its files whole, but a writer that does not is read while it writes: a read
  // that changed under the reader, or that cannot be parsed while the file is still changing,
  // is tried again after this pause, up to a limit. Tests make it short.
  void SetRetryPause(std::chrono::milliseconds pause) { retryPause_ = pause; }

 private:
  class Hive;
  Hive& HiveOf(RootKey root);

  std::filesystem::path prefix_;
  std::unique_ptr<Hive> machine_;
  std::unique_ptr<Hive> user_;
  std::chrono::milliseconds retryPause_{100};
};

}  // namespace lintrove::platform
