#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/posix_registry.h"
#include "platform/registry.h"
#include "support/machine_text.h"
#include "support/temp_dir.h"

namespace lintrove::test {

// A Windows machine as the registry store stands for it: HKEY_LOCAL_MACHINE written from the
// text of a regedit export, read by the real store.
class MachineFixture : public ::testing::Test {
 protected:
  // body: the export's keys and values, without its header line.
  platform::PosixRegistry& Machine(std::string_view body) {
    WriteFileBytes(dir_ / "HKEY_LOCAL_MACHINE.reg",
                   "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(body));
    registry_ = std::make_unique<platform::PosixRegistry>(dir_.Path());
    return *registry_;
  }

  TempDir dir_;
  std::unique_ptr<platform::PosixRegistry> registry_;
};

// An Uninstall entry with a name, a version and an uninstaller, written through the registry.
inline void WriteUninstallEntry(platform::RegistryBackend& backend, const std::string& key,
                                const std::string& name, const std::string& version) {
  platform::Registry registry(platform::RootKey::LocalMachine, platform::RegistryView::Default,
                              backend);
  ASSERT_TRUE(
      registry.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key, true));
  registry.WriteString("DisplayName", name);
  registry.WriteString("DisplayVersion", version);
  registry.WriteString("UninstallString", "C:\\" + key + "\\uninstall.exe");
  registry.CloseKey();
}

}  // namespace lintrove::test
