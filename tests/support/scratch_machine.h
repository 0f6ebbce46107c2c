#pragma once

#include <memory>
#include <string_view>

#include "platform/installer_database.h"
#include "platform/logon_entry.h"
#include "platform/registry.h"
#include "settings/client_settings.h"

namespace lintrove::test {

// A machine for a test of its own, the same on both systems: its registry holds the keys of a
// registry file's text (the body after the header line), its installer reads that registry, and
// the user's settings and log-on entry live in it. On Linux it is a registry store in a fresh
// directory. On Windows it is the system's registry, in the test's Wine prefix: the keys of the
// text and the user's settings go when the machine does.
class ScratchMachine {
 public:
  explicit ScratchMachine(std::string_view regText = {});
  ~ScratchMachine();
  ScratchMachine(const ScratchMachine&) = delete;
  ScratchMachine& operator=(const ScratchMachine&) = delete;

  // Adds keys and values, as the constructor does.
  void Import(std::string_view regText);

  platform::RegistryBackend& Registry();
  platform::InstallerDatabase& Installer();
  platform::LogonEntry& Logon();
  // Settings on this machine's registry and log-on entry, as made, not loaded.
  ClientSettings& Settings();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace lintrove::test
