#pragma once

#include <string>

#include "platform/logon_entry.h"
#include "platform/registry.h"

namespace lintrove::platform {

// The key Windows starts the current user's programs from at log-on.
inline constexpr std::string_view kRunKeyPath =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The log-on entry as Windows keeps it: a REG_SZ value under the user's Run key holding the
// command line. Portable, so that the Windows build and the tests share it.
class RunValueLogonEntry final : public LogonEntry {
 public:
  RunValueLogonEntry(RegistryBackend& backend, std::string valueName);

  // A key that cannot be opened counts as no entry.
  bool Exists() const override;
  // Raises the registry's "Fehler beim Setzen der Daten" naming the value when refused.
  void Write(const LogonCommand& command) override;
  void Remove() override;

 private:
  RegistryBackend& backend_;
  std::string valueName_;
};

// The command line Windows runs: the program's path quoted when it holds a blank, so that a
// path like "C:\Program Files\..." cannot start "C:\Program.exe", then the arguments.
std::string RunValueCommandLine(const LogonCommand& command);

}  // namespace lintrove::platform
