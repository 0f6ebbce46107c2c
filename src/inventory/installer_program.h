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
class tWindowsInstallerProgramm : public PublishedClass<tWindowsInstallerProgramm, tProgramm> {
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
  std::string FProductIcon;

  // The order is the request format.
  static constexpr std::array kPublished{
      Publish<&tWindowsInstallerProgramm::ProduktGuid>("ProduktGuid", PropertyKind::NarrowText),
      Publish<&tWindowsInstallerProgramm::ProductName>("ProductName", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::PackageCode>("PackageCode", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::Language>("Language", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::PackageName>("PackageName", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::Version>("Version", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::InstalledProductName>("InstalledProductName",
                                                                PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::InstallLocation>("InstallLocation",
                                                           PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::HelpLink>("HelpLink", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::VersionString>("VersionString", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::URLInfoAbout>("URLInfoAbout", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::URLUpdateInfo>("URLUpdateInfo", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::VersionMinor>("VersionMinor", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::VersionMajor>("VersionMajor", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::UpgradeCode>("UpgradeCode", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::Manufacturer>("Manufacturer", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::ARPCONTACT>("ARPCONTACT", PropertyKind::WideText),
      Publish<&tWindowsInstallerProgramm::ARPCOMMENTS>("ARPCOMMENTS", PropertyKind::WideText),
  };

  std::string GetName() const override;
  std::string GetVersion() const override { return VersionString; }
  std::string GetPublisher() const override { return Manufacturer; }
  std::string GetHomepage() const override;
  std::unique_ptr<ProgramIcon> LoadIcon() const override;
  std::string GetIdentifier() const override;
  // Starts msiexec to remove the product; msiexec shows its own dialogs.
  void Uninstall(platform::Shell& shell) const override;
};

}  // namespace lintrove
