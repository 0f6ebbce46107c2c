#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "base/error.h"
#include "inventory/installer_program.h"
#include "inventory/registry_program.h"
#include "support/recording_shell.h"

namespace lintrove {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

std::vector<std::pair<std::string, PropertyKind>> PropertiesOf(const ClassInfo& info) {
  std::vector<std::pair<std::string, PropertyKind>> properties;
  for (const PropertyInfo* property : info.Properties()) {
    properties.emplace_back(std::string(property->Name()), property->Kind());
  }
  return properties;
}

// The names, kinds and order are what the service reads; a change breaks the request format.
TEST(ProgramClassesTest, PublishTheRequestFormat) {
  constexpr auto W = PropertyKind::WideText;
  const ClassInfo& registry = RegistryProgram::StaticClassInfo();
  EXPECT_EQ(registry.Name(), "tRegistryProgramm");
  EXPECT_EQ(registry.Parent(), &Program::StaticClassInfo());
  EXPECT_THAT(
      PropertiesOf(registry),
      ElementsAre(Pair("DisplayName", W), Pair("DisplayVersion", W), Pair("DisplayIcon", W),
                  Pair("VersionMajor", W), Pair("VersionMinor", W), Pair("InstallLocation", W),
                  Pair("UninstallString", W), Pair("UninstallDir", W), Pair("Publisher", W),
                  Pair("URLInfoAbout", W), Pair("URLUpdateInfo", W), Pair("RegistryKey", W)));

  const ClassInfo& installer = InstallerProgram::StaticClassInfo();
  EXPECT_EQ(installer.Name(), "tWindowsInstallerProgramm");
  EXPECT_EQ(installer.Parent(), &Program::StaticClassInfo());
  EXPECT_THAT(PropertiesOf(installer),
              ElementsAre(Pair("ProduktGuid", PropertyKind::NarrowText), Pair("ProductName", W),
                          Pair("PackageCode", W), Pair("Language", W), Pair("PackageName", W),
                          Pair("Version", W), Pair("InstalledProductName", W),
                          Pair("InstallLocation", W), Pair("HelpLink", W), Pair("VersionString", W),
                          Pair("URLInfoAbout", W), Pair("URLUpdateInfo", W),
                          Pair("VersionMinor", W), Pair("VersionMajor", W), Pair("UpgradeCode", W),
                          Pair("Manufacturer", W), Pair("ARPCONTACT", W), Pair("ARPCOMMENTS", W)));
}

TEST(ProgramClassesTest, PropertiesAreReachedThroughTheBaseClass) {
  auto program = std::make_unique<RegistryProgram>();
  program->RegistryKey = "{ABC}";
  const Program& base = *program;
  const PropertyInfo* key = base.PublishedClassInfo().FindProperty("RegistryKey");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->GetText(base), "{ABC}");
}

TEST(RegistryProgramTest, OperationsReadTheirProperties) {
  RegistryProgram program;
  program.DisplayName = "Tool";
  program.DisplayVersion = "2.0";
  program.Publisher = "Maker";
  program.URLUpdateInfo = "https://example.org/update";
  EXPECT_EQ(program.GetName(), "Tool");
  EXPECT_EQ(program.GetVersion(), "2.0");
  EXPECT_EQ(program.GetPublisher(), "Maker");
  EXPECT_EQ(program.GetHomepage(), "https://example.org/update");
  program.URLInfoAbout = "https://example.org/";
  EXPECT_EQ(program.GetHomepage(), "https://example.org/");
}

TEST(InstallerProgramTest, OperationsReadTheirProperties) {
  InstallerProgram program;
  program.InstalledProductName = "Tool (installed)";
  program.VersionString = "3.1";
  program.Manufacturer = "Maker";
  program.URLUpdateInfo = "https://example.org/update";
  EXPECT_EQ(program.GetName(), "Tool (installed)");
  EXPECT_EQ(program.GetVersion(), "3.1");
  EXPECT_EQ(program.GetPublisher(), "Maker");
  EXPECT_EQ(program.GetHomepage(), "https://example.org/update");
  program.ProductName = "Tool";
  program.URLInfoAbout = "https://example.org/";
  EXPECT_EQ(program.GetName(), "Tool");
  EXPECT_EQ(program.GetHomepage(), "https://example.org/");
}

TEST(ProgramIdentifierTest, JoinsItsPartsWithoutSeparator) {
  RegistryProgram tool;
  tool.RegistryKey = "K";
  tool.DisplayName = "Tool";
  EXPECT_EQ(tool.GetIdentifier(), "KTool");
  tool.DisplayVersion = "1.0";
  EXPECT_EQ(tool.GetIdentifier(), "KTool1.0");

  // Parts that split differently give the same identifier.
  RegistryProgram other;
  other.RegistryKey = "KT";
  other.DisplayName = "ool1.0";
  EXPECT_EQ(other.GetIdentifier(), tool.GetIdentifier());

  InstallerProgram product;
  product.ProduktGuid = "{11111111-2222-3333-4444-555555555555}";
  product.PackageCode = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  product.ProductName = "Tool";
  product.Version = "16777216";
  product.VersionString = "1.0";  // not part of it
  EXPECT_EQ(product.GetIdentifier(),
            "{11111111-2222-3333-4444-555555555555}{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}Tool"
            "16777216");
}

TEST(ProgramUninstallTest, RegistryProgramStartsItsUninstallString) {
  test::RecordingShell shell;
  RegistryProgram program;
  program.UninstallString = "\"C:\\Program Files\\Tool\\unins000.exe\" /SILENT";
  EXPECT_FALSE(program.Uninstall(shell));  // the start fails, and says so
  EXPECT_THAT(shell.calls,
              ElementsAre(test::RecordingShell::Call{
                  "StartCommandLine", "\"C:\\Program Files\\Tool\\unins000.exe\" /SILENT", ""}));
}

TEST(ProgramUninstallTest, InstallerProgramRunsMsiexec) {
  test::RecordingShell shell;
  InstallerProgram program;
  program.ProduktGuid = "{00000000-0000-0000-0000-000000000000}";
  shell.starts = true;
  EXPECT_TRUE(program.Uninstall(shell));
  EXPECT_THAT(shell.calls,
              ElementsAre(test::RecordingShell::Call{"ShellOpen", "msiexec.exe",
                                                     "/X {00000000-0000-0000-0000-000000000000}"}));
}

}  // namespace
}  // namespace lintrove
