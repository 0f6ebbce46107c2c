#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace lintrove::platform {

// Environment variables as Windows keeps them: names compared without regard to case.
class WindowsEnvironment {
 public:
  void Set(std::string_view name, std::string value);
  // None when the variable is not defined.
  const std::string* Find(std::string_view name) const;

  // text with its %NAME% references replaced by Windows' rule: from left to right, a "%" opens a
  // reference that the next "%" closes. A reference to an undefined variable stays as written,
  // and its closing "%" may open the next one, so "100% of %windir%" expands windir.
  std::string Expand(std::string_view text) const;

 private:
  std::map<std::string, std::string> values_;  // by folded name
};

// The environment Windows gives the programs of the machine a registry stands for: the system's
// folders where Windows records them (SystemRoot under
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion, ProgramFilesDir and CommonFilesDir and their
// (x86) twins of a 64-bit machine under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion, ProgramData
// and ProfilesDirectory under its ProfileList) with Windows' defaults where a value is missing,
// then the variables of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment,
// HKCU\Environment and HKCU\Volatile Environment, later ones replacing earlier ones. user_name
// stands for the user's name when the registry does not record it (Wine's users are named as their
// accounts).
WindowsEnvironment ReadMachineEnvironment(RegistryBackend& registry, std::string_view user_name);

}  // namespace lintrove::platform
