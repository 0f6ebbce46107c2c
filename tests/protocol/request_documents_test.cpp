#include "protocol/request_documents.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "inventory/installer_program.h"
#include "inventory/platform_facts.h"
#include "inventory/registry_program.h"
#include "platform/client_version.h"
#include "platform/posix/posix_registry.h"
#include "settings/client_settings.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

ClientFacts Facts() {
  ClientFacts facts;
  facts.version = "1.4.0.0";
  facts.guid = "{0F8FAD5B-D9CB-469F-A165-70867728950E}";
  facts.lcid = 0x0407;
  facts.windows_version = "6.1.7601 2 Service Pack 1";
  facts.windows64 = true;
  facts.upgrades = false;
  facts.betas = true;
  return facts;
}

constexpr std::string_view kClient =
    "<Client Version=\"1.4.0.0\" Guid=\"{0F8FAD5B-D9CB-469F-A165-70867728950E}\" "
    "LCID=\"00000407\" WindowsVersion=\"6.1.7601 2 Service Pack 1\"";

TEST(RequestDocumentsTest, UpdatecheckCarriesTheClientWithoutOptionsOrPrograms) {
  EXPECT_EQ(BuildUpdatecheckRequest(Facts()),
            std::string(kDeclaration) +
                "<dorvupdater><Command><str_command><![CDATA[updatecheck]]></str_command>"
                "</Command>" +
                std::string(kClient) + "></Client></dorvupdater>\r\n");
}

// The system goes only to the self-update question, where it chooses the setup offered; the
// inventory request stays as it always was.
TEST(RequestDocumentsTest, OnlyUpdatecheckTellsTheSystemTheClientRunsOn) {
  ClientFacts facts = Facts();
  facts.system = "linux-x86_64";
  EXPECT_EQ(BuildUpdatecheckRequest(facts),
            std::string(kDeclaration) +
                "<dorvupdater><Command><str_command><![CDATA[updatecheck]]></str_command>"
                "</Command>" +
                std::string(kClient) + " System=\"linux-x86_64\"></Client></dorvupdater>\r\n");
  EXPECT_EQ(BuildStep1Request(ProgramRefList(), facts).find("System="), std::string::npos);
}

TEST(RequestDocumentsTest, Step1CarriesClientOptionsAndEveryProgramWithItsWrittenProperties) {
  RegistryProgram tool;
  tool.DisplayName = "Werkzeug & Co";
  tool.DisplayVersion = " 2.1 ";
  tool.UninstallString = "C:\\Werkzeug\\uninst.exe";
  tool.Publisher = "Dorv";
  tool.RegistryKey = "Werkzeug";
  InstallerProgram product;
  product.ProduktGuid = "{11111111-2222-3333-4444-555555555555}";
  product.ProductName = "Paket";
  product.VersionMajor = "3";
  product.Manufacturer = "Hersteller";
  RegistryProgram empty;
  ProgramRefList programs;
  programs.Add(&tool);
  programs.Add(&product);
  programs.Add(&empty);

  EXPECT_EQ(BuildStep1Request(programs, Facts()),
            std::string(kDeclaration) +
                "<dorvupdater><Command><str_command><![CDATA[step1]]></str_command></Command>" +
                std::string(kClient) +
                " upgrades=\"0\" win64=\"1\" betas=\"1\"></Client><Programme>"
                "<Programm ID=\"0\" ClassType=\"tRegistryProgramm\">"
                "<DisplayName><![CDATA[Werkzeug & Co]]></DisplayName>"
                "<DisplayVersion><![CDATA[2.1]]></DisplayVersion>"
                "<UninstallString><![CDATA[C:\\Werkzeug\\uninst.exe]]></UninstallString>"
                "<Publisher><![CDATA[Dorv]]></Publisher>"
                "<RegistryKey><![CDATA[Werkzeug]]></RegistryKey></Programm>"
                "<Programm ID=\"1\" ClassType=\"tWindowsInstallerProgramm\">"
                "<ProduktGuid><![CDATA[{11111111-2222-3333-4444-555555555555}]]></ProduktGuid>"
                "<ProductName><![CDATA[Paket]]></ProductName>"
                "<VersionMajor><![CDATA[3]]></VersionMajor>"
                "<Manufacturer><![CDATA[Hersteller]]></Manufacturer></Programm>"
                "<Programm ID=\"2\" ClassType=\"tRegistryProgramm\"></Programm>"
                "</Programme></dorvupdater>\r\n");
}

TEST(RequestDocumentsTest, ProgramIdsRunInListOrder) {
  std::vector<RegistryProgram> registry_programs(5);
  std::vector<InstallerProgram> products(5);
  ProgramRefList programs;
  for (int i = 0; i < 5; ++i) {
    registry_programs[static_cast<std::size_t>(i)].DisplayName = "R" + std::to_string(i);
    products[static_cast<std::size_t>(i)].ProductName = "M" + std::to_string(i);
    programs.Add(&products[static_cast<std::size_t>(i)]);
    programs.Add(&registry_programs[static_cast<std::size_t>(i)]);
  }
  pugi::xml_document request;
  ASSERT_TRUE(request.load_string(BuildStep1Request(programs, Facts()).c_str()));
  int expected = 0;
  for (pugi::xpath_node node : request.select_nodes("/dorvupdater/Programme/Programm")) {
    EXPECT_EQ(node.node().attribute("ID").as_int(-1), expected);
    const std::string name =
        expected % 2 == 0 ? "M" + std::to_string(expected / 2) : "R" + std::to_string(expected / 2);
    EXPECT_EQ(node.node().first_child().text().as_string(), name);
    ++expected;
  }
  EXPECT_EQ(expected, 10);
}

TEST(RequestDocumentsTest, EmptyProgramListStillCarriesTheOptions) {
  ProgramRefList programs;
  ClientFacts facts = Facts();
  facts.upgrades = true;
  facts.windows64 = false;
  facts.betas = false;
  const std::string text = BuildStep1Request(programs, facts);
  EXPECT_NE(text.find(" upgrades=\"1\" win64=\"0\" betas=\"0\"></Client><Programme></Programme>"
                      "</dorvupdater>\r\n"),
            std::string::npos)
      << text;
}

TEST(RequestDocumentsTest, LcidIsEightUpperCaseHexDigits) {
  EXPECT_EQ(LcidText(0x0407), "00000407");
  EXPECT_EQ(LcidText(0x0C0A), "00000C0A");
  EXPECT_EQ(LcidText(0), "00000000");
  EXPECT_EQ(LcidText(0xFFFFFFFF), "FFFFFFFF");
}

TEST(RequestDocumentsTest, CurrentFactsComeFromSettingsLocaleAndSystem) {
  test::TempDir dir;
  platform::PosixRegistry registry(dir.Path());
  ClientSettings settings(registry);
  settings.ClientGuid = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  settings.bol_upgrades = false;
  settings.bol_developerversionen = true;
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  const ClientFacts facts = CurrentClientFacts(settings);
  ::unsetenv("LC_ALL");
  EXPECT_EQ(facts.version, ClientVersion());
  EXPECT_EQ(facts.guid, settings.ClientGuid);
  EXPECT_EQ(facts.lcid, 0x0407u);
  EXPECT_EQ(facts.windows_version, GetWindowsVersionString(registry));
  EXPECT_EQ(facts.windows64, IsWindows64(registry));
  EXPECT_FALSE(facts.upgrades);
  EXPECT_TRUE(facts.betas);
}

}  // namespace
}  // namespace lintrove
