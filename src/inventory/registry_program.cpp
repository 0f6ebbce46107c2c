#include "inventory/registry_program.h"

#include "platform/shell.h"

namespace lintrove {

std::string RegistryProgram::GetHomepage() const {
  return URLInfoAbout.empty() ? URLUpdateInfo : URLInfoAbout;
}

// Icons are not read from program files yet.
std::unique_ptr<ProgramIcon> RegistryProgram::LoadIcon() const { return nullptr; }

std::string RegistryProgram::GetIdentifier() const {
  return RegistryKey + DisplayName + DisplayVersion;
}

bool RegistryProgram::Uninstall(platform::Shell& shell) const {
  return shell.StartCommandLine(UninstallString);
}

}  // namespace lintrove
