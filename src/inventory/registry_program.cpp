#include "inventory/registry_program.h"

#include "platform/shell.h"

namespace lintrove {

std::string tRegistryProgramm::GetHomepage() const {
  return URLInfoAbout.empty() ? URLUpdateInfo : URLInfoAbout;
}

// Icons are not read from program files yet.
std::unique_ptr<ProgramIcon> tRegistryProgramm::LoadIcon() const { return nullptr; }

std::string tRegistryProgramm::GetIdentifier() const {
  return RegistryKey + DisplayName + DisplayVersion;
}

void tRegistryProgramm::Uninstall(platform::Shell& shell) const {
  shell.StartCommandLine(UninstallString);
}

}  // namespace lintrove
