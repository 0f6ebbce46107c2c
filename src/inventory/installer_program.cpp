#include "inventory/installer_program.h"

#include "platform/shell.h"

namespace lintrove {

std::string tWindowsInstallerProgramm::GetName() const {
  return ProductName.empty() ? InstalledProductName : ProductName;
}

std::string tWindowsInstallerProgramm::GetHomepage() const {
  return URLInfoAbout.empty() ? URLUpdateInfo : URLInfoAbout;
}

// Icons are not read from program files yet.
std::unique_ptr<ProgramIcon> tWindowsInstallerProgramm::LoadIcon() const { return nullptr; }

std::string tWindowsInstallerProgramm::GetIdentifier() const {
  return ProduktGuid + PackageCode + ProductName + Version;
}

void tWindowsInstallerProgramm::Uninstall(platform::Shell& shell) const {
  shell.ShellOpen("msiexec.exe", "/X " + ProduktGuid);
}

}  // namespace lintrove
