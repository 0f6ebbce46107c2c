#include "inventory/installer_program.h"

#include "platform/shell.h"

namespace lintrove {

std::string InstallerProgram::GetName() const {
  return ProductName.empty() ? InstalledProductName : ProductName;
}

std::string InstallerProgram::GetHomepage() const {
  return URLInfoAbout.empty() ? URLUpdateInfo : URLInfoAbout;
}

std::unique_ptr<ProgramIcon> InstallerProgram::LoadIcon(
    const platform::MachineFiles& machine) const {
  return IconFromLocation(product_icon, machine);
}

std::string InstallerProgram::GetIdentifier() const {
  return ProduktGuid + PackageCode + ProductName + Version;
}

bool InstallerProgram::Uninstall(platform::Shell& shell) const {
  return shell.ShellOpen("msiexec.exe", "/X " + ProduktGuid);
}

}  // namespace lintrove
