#pragma once

#include <array>
#include <string>
#include <string_view>

#include "inventory/program.h"

namespace lintrove {

// A product of the Windows Installer. Every property is the installer's product property as
// text (numbers as the decimal text the installer gives); one the installer does not give stays
// empty. UpgradeCode, ARPCONTACT and ARPCOMMENTS are read only when the finder is asked for
// extended information.
class InstallerProgram : public PublishedClass<InstallerProgram, Program> {
 public:
  static constexpr std::string_view kClassName = "tWindowsInstallerProgramm";

  std::string ProduktGuid;  // the product code in braces
  std::string ProductName;
  std::string PackageCode;
  std::string Language;
  std::string PackageName;
  std::string Version;
  std::string InstalledProductName;
  std::string InstallLocation;
  std::string HelpLink;
  std::string VersionString;
  std::string URLInfoAbout;
  std::string URLUpdateInfo;
  std::string VersionMinor;
  std::string VersionMajor;
  std::string UpgradeCode;
  std::string Manufacturer;  // the installer's "Publisher"
  std::string ARPCONTACT;
  std::string ARPCOMMENTS;
  // The installer's "ProductIcon": where the icon comes from. Not part of the request.
  std::string product_icon;

  // The order is the request format.
  static constexpr std::array kPublished{
      Publish<&InstallerProgram::ProduktGuid>("ProduktGuid", PropertyKind::NarrowText),
      Publish<&InstallerProgram::ProductName>("ProductName", PropertyKind::WideText),
      Publish<&InstallerProgram::PackageCode>("PackageCode", PropertyKind::WideText),
      Publish<&InstallerProgram::Language>("Language", PropertyKind::WideText),
      Publish<&InstallerProgram::PackageName>("PackageName", PropertyKind::WideText),
      Publish<&InstallerProgram::Version>("Version", PropertyKind::WideText),
      Publish<&InstallerProgram::InstalledProductName>("InstalledProductName",
                                                       PropertyKind::WideText),
      Publish<&InstallerProgram::InstallLocation>("InstallLocation", PropertyKind::WideText),
      Publish<&InstallerProgram::HelpLink>("HelpLink", PropertyKind::WideText),
      Publish<&InstallerProgram::VersionString>("VersionString", PropertyKind::WideText),
      Publish<&InstallerProgram::URLInfoAbout>("URLInfoAbout", PropertyKind::WideText),
      Publish<&InstallerProgram::URLUpdateInfo>("URLUpdateInfo", PropertyKind::WideText),
      Publish<&InstallerProgram::VersionMinor>("VersionMinor", PropertyKind::WideText),
      Publish<&InstallerProgram::VersionMajor>("VersionMajor", PropertyKind::WideText),
      Publish<&InstallerProgram::UpgradeCode>("UpgradeCode", PropertyKind::WideText),
      Publish<&InstallerProgram::Manufacturer>("Manufacturer", PropertyKind::WideText),
      Publish<&InstallerProgram::ARPCONTACT>("ARPCONTACT", PropertyKind::WideText),
      Publish<&InstallerProgram::ARPCOMMENTS>("ARPCOMMENTS", PropertyKind::WideText),
  };

  std::string GetName() const override;
  std::string GetVersion() const override { return VersionString; }
  std::string GetPublisher() const override { return Manufacturer; }
  std::string GetHomepage() const override;
  // product_icon, also when it is empty (which names no file).
  std::unique_ptr<ProgramIcon> LoadIcon(const platform::MachineFiles& machine) const override;
  std::string GetIdentifier() const override;
  // Starts msiexec to remove the product; msiexec shows its own dialogs.
  bool Uninstall(platform::Shell& shell) const override;
};

}  // namespace lintrove
