#pragma once

#include <array>
#include <string>
#include <string_view>

#include "inventory/program.h"

namespace lintrove {

// A program registered under the per-machine Uninstall key. Every property is the registry value
// of the same name as text, exactly as stored (not trimmed, references not expanded), except
// RegistryKey: the name of the entry's subkey, without the path or the view it came from.
class RegistryProgram : public PublishedClass<RegistryProgram, Program> {
 public:
  static constexpr std::string_view kClassName = "tRegistryProgramm";

  std::string DisplayName;
  std::string DisplayVersion;
  std::string DisplayIcon;
  std::string VersionMajor;
  std::string VersionMinor;
  std::string InstallLocation;
  std::string UninstallString;
  std::string UninstallDir;
  std::string Publisher;
  std::string URLInfoAbout;
  std::string URLUpdateInfo;
  std::string RegistryKey;

  // The order is the request format.
  static constexpr std::array kPublished{
      Publish<&RegistryProgram::DisplayName>("DisplayName", PropertyKind::WideText),
      Publish<&RegistryProgram::DisplayVersion>("DisplayVersion", PropertyKind::WideText),
      Publish<&RegistryProgram::DisplayIcon>("DisplayIcon", PropertyKind::WideText),
      Publish<&RegistryProgram::VersionMajor>("VersionMajor", PropertyKind::WideText),
      Publish<&RegistryProgram::VersionMinor>("VersionMinor", PropertyKind::WideText),
      Publish<&RegistryProgram::InstallLocation>("InstallLocation", PropertyKind::WideText),
      Publish<&RegistryProgram::UninstallString>("UninstallString", PropertyKind::WideText),
      Publish<&RegistryProgram::UninstallDir>("UninstallDir", PropertyKind::WideText),
      Publish<&RegistryProgram::Publisher>("Publisher", PropertyKind::WideText),
      Publish<&RegistryProgram::URLInfoAbout>("URLInfoAbout", PropertyKind::WideText),
      Publish<&RegistryProgram::URLUpdateInfo>("URLUpdateInfo", PropertyKind::WideText),
      Publish<&RegistryProgram::RegistryKey>("RegistryKey", PropertyKind::WideText),
  };

  std::string GetName() const override { return DisplayName; }
  std::string GetVersion() const override { return DisplayVersion; }
  std::string GetPublisher() const override { return Publisher; }
  std::string GetHomepage() const override;
  // DisplayIcon, or UninstallString when DisplayIcon is empty.
  std::unique_ptr<ProgramIcon> LoadIcon(const platform::MachineFiles& machine) const override;
  std::string GetIdentifier() const override;
  // Starts UninstallString as a command line.
  bool Uninstall(platform::Shell& shell) const override;
};

}  // namespace lintrove
