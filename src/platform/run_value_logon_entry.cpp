#include "platform/run_value_logon_entry.h"

namespace lintrove::platform {

RunValueLogonEntry::RunValueLogonEntry(RegistryBackend& backend, std::string valueName)
    : backend_(backend), valueName_(std::move(valueName)) {}

bool RunValueLogonEntry::Exists() const {
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  registry.OpenKeyReadOnly(kRunKeyPath);
  return registry.ValueExists(valueName_);
}

void RunValueLogonEntry::Write(const LogonCommand& command) {
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  registry.OpenKey(kRunKeyPath, true);
  registry.WriteString(valueName_, RunValueCommandLine(command));
  registry.CloseKey();
}

void RunValueLogonEntry::Remove() {
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  if (registry.OpenKey(kRunKeyPath, false)) registry.DeleteValue(valueName_);
}

std::string RunValueCommandLine(const LogonCommand& command) {
  const bool quote = command.program.find_first_of(" \t") != std::string::npos;
  std::string line = quote ? '"' + command.program + '"' : command.program;
  // The arguments are the program's own switches, written as they are.
  for (const std::string& argument : command.arguments) {
    line += ' ';
    line += argument;
  }
  return line;
}

}  // namespace lintrove::platform
