#include "catalog/program_identity.h"

#include <gtest/gtest.h>

#include "catalog/version_names.h"

namespace lintrove::test {
namespace {

using service::IdentifyProgram;
using service::SentProgram;

SentProgram Sent(std::string class_type,
                 std::vector<std::pair<std::string, std::string>> properties) {
  SentProgram program;
  program.class_type = std::move(class_type);
  program.properties = std::move(properties);
  return program;
}

SentProgram Registry(const std::string& key, const std::string& name,
                     const std::string& publisher = "Vendor") {
  return Sent("tRegistryProgramm",
              {{"DisplayName", name}, {"Publisher", publisher}, {"RegistryKey", key}});
}

SentProgram Installer(const std::string& name, const std::string& manufacturer,
                      const std::string& upgrade_code = "") {
  return Sent(
      "tWindowsInstallerProgramm",
      {{"ProductName", name}, {"Manufacturer", manufacturer}, {"UpgradeCode", upgrade_code}});
}

TEST(ProgramIdentityTest, NamesLoseVersionNumbersAndArchitectureWordsOnly) {
  const struct {
    const char* name;
    const char* shown;
  } cases[] = {
      {"7-Zip 23.01 (x64)", "7-Zip"},
      {"Mozilla Firefox 120.0.1 (x64 en-US)", "Mozilla Firefox (en-US)"},
      {"Python 3.12.0b1 (64-bit)", "Python"},
      {"Tool v2.1 x86_64", "Tool"},
      {"Notepad++ 64 bit", "Notepad++"},
      {"Microsoft Visual C++ 2019 Redistributable", "Microsoft Visual C++ 2019 Redistributable"},
      {"Java 8 Update 381", "Java 8 Update 381"},
      {"  Plain  Name ", "Plain  Name"},
      {"Editor [1.2.3]", "Editor"},
      {"1.0", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(service::NameWithoutVersion(c.name), c.shown) << c.name;
  }
}

TEST(ProgramIdentityTest, TheRulesTellTheSameProgramFromAnother) {
  const std::string code = "{8C4F0B0E-1A2B-4C3D-9E8F-0123456789AB}";
  const struct {
    const char* what;
    SentProgram a;
    SentProgram b;
    bool same;
  } cases[] = {
      {"registry: versions and architecture in the key", Registry("Viewer 3.2 (x64)", "Viewer"),
       Registry("Viewer 3.4 (32-bit)", "Viewer"), true},
      {"registry: the key decides, not the shown name", Registry("viewer", "Viewer 3"),
       Registry("Viewer", "The Viewer"), true},
      {"registry: another publisher", Registry("Viewer", "Viewer", "A"),
       Registry("Viewer", "Viewer", "B"), false},
      {"registry: publisher in another case and spacing", Registry("Viewer", "V", "View  Ltd"),
       Registry("Viewer", "V", "view ltd "), true},
      {"registry: a product code as key gives way to the name",
       Registry("{11111111-2222-3333-4444-555555555555}", "Suite 1.0"),
       Registry("{66666666-2222-3333-4444-555555555555}", "Suite 2.0"), true},
      {"installer: the upgrade code decides", Installer("Suite 2024", "A", code),
       Installer("Other Name", "B", code), true},
      {"installer: letter case of the upgrade code", Installer("S", "A", code),
       Installer("S", "A", "{8c4f0b0e-1a2b-4c3d-9e8f-0123456789ab}"), true},
      {"installer: without one, name and publisher", Installer("Suite 2.0.1", "A"),
       Installer("Suite 3.0", "A"), true},
      {"installer: without one, another publisher", Installer("Suite", "A"),
       Installer("Suite", "B"), false},
      {"installer and registry entry of one name", Installer("Suite", "Vendor"),
       Registry("Suite", "Suite"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto a = IdentifyProgram(c.a);
    const auto b = IdentifyProgram(c.b);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->key == b->key, c.same) << a->key << " / " << b->key;
    EXPECT_EQ(service::IdentityHash(a->key) == service::IdentityHash(b->key), c.same);
  }
}

TEST(ProgramIdentityTest, ProgramsWithoutAUsableNameOrOfAnotherClassAreNotRecognised) {
  EXPECT_FALSE(IdentifyProgram(Registry("", "")));
  EXPECT_FALSE(IdentifyProgram(Registry("2.0 (x64)", "")));
  EXPECT_FALSE(IdentifyProgram(Installer("", "Vendor")));
  EXPECT_FALSE(IdentifyProgram(Sent("tSomethingElse", {{"DisplayName", "Tool"}})));
  EXPECT_TRUE(IdentifyProgram(Installer("", "", "{8C4F0B0E-1A2B-4C3D-9E8F-0123456789AB}")));
}

TEST(ProgramIdentityTest, TheHashIsStableHex) {
  EXPECT_EQ(service::IdentityHash(""), "cbf29ce484222325");
  EXPECT_EQ(service::IdentityHash("registry:7-zip|igor pavlov"),
            service::IdentityHash("registry:7-zip|igor pavlov"));
  EXPECT_NE(service::IdentityHash("registry:a|"), service::IdentityHash("registry:b|"));
}

TEST(VersionNamesTest, PreReleasesAreToldByTheirNames) {
  const struct {
    const char* name;
    bool pre_release;
  } cases[] = {
      {"2.0", false},          {"2.0 Beta 3", true},    {"2.0-rc1", true},
      {"2.0RC", true},         {"3.12.0b1", true},      {"3.12.0a4", true},
      {"1.1.1b", false},       {"5.0 Preview", true},   {"2024.1 EA", true},
      {"1.0.dev7", true},      {"10.0 Build 5", false}, {"Nightly 2024-01-01", true},
      {"alphabet 1.0", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(service::IsPreRelease(c.name), c.pre_release) << c.name;
  }
}

}  // namespace
}  // namespace lintrove::test
