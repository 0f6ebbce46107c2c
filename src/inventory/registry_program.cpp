#include "inventory/registry_program.h"

#include "platform/shell.h"

namespace lintrove {

std::string RegistryProgram::GetHomepage() const {
  return URLInfoAbout.empty() ? URLUpdateInfo : URLInfoAbout;
}

// Entries without an icon of their own often have an uninstaller that shows one.
std::unique_ptr<ProgramIcon> RegistryProgram::LoadIcon(
    const platform::MachineFiles& machine) const {
  return IconFromLocation(DisplayIcon.empty() ? UninstallString : DisplayIcon, machine);
}

std::string RegistryProgram::GetIdentifier() const {
  return RegistryKey + DisplayName + DisplayVersion;
}

bool RegistryProgram::Uninstall(platform::Shell& shell) const {
  return shell.StartCommandLine(UninstallString);
}

}  // namespace lintrove
