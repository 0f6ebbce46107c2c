#include "inventory/installer_program.h"

#include "platform/shell.h"

namespace lintrove {

std::string InstallerProgram::GetName() const {
  return ProductName.empty() ? InstalledProductName : ProductName;
}

std::string InstallerProgram::GetHomepage() const {
  return URLInfoAbout.empty() ? URLUpdateInfo : URLInfoAbout;
}

// Icons are not read from program files yet.
std::unique_ptr<ProgramIcon> InstallerProgram::LoadIcon() const { return nullptr; }

std::string InstallerProgram::GetIdentifier() const {
  return ProduktGuid + PackageCode + ProductName + Version;
}

bool InstallerProgram::Uninstall(platform::Shell& shell) const {
  return shell.ShellOpen("msiexec.exe", "/X " + ProduktGuid);
}

}  // namespace lintrove
