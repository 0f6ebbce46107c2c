#include "inventory/registry_finder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/error.h"
#include "inventory/installer_program.h"
#include "inventory/registry_program.h"
#include "machine_fixture.h"

namespace lintrove {
namespace {

using test::Key;
using test::kUninstall32;
using test::kUninstall64;
using ::testing::ElementsAre;

struct Progress {
  std::string technology, name;
  std::int32_t position, total;
  bool operator==(const Progress&) const = default;
};

void PrintTo(const Progress& p, std::ostream* out) {
  *out << p.technology << "/" << p.name << "/" << p.position << "/" << p.total;
}

class RegistryFinderTest : public test::MachineFixture {
 protected:
  // Runs the finder on the machine; the programs are in list_, the progress calls in progress_.
  void Scan(std::string_view machine) {
    RegistryFinder finder(Machine(machine));
    ProgressFunction observer([this](const ProgressReport& report) {
      progress_.push_back({std::string(report.activity), std::string(report.item),
                           static_cast<std::int32_t>(report.position),
                           static_cast<std::int32_t>(report.total)});
    });
    finder.progress = &observer;
    finder.Find(list_);
  }

  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (int i = 0; i < list_.Count(); ++i) {
      keys.push_back(dynamic_cast<const RegistryProgram&>(list_.Items(i)).RegistryKey);
    }
    return keys;
  }

  const RegistryProgram& ProgramAt(int index) const {
    return dynamic_cast<const RegistryProgram&>(list_.Items(index));
  }

  ProgramList list_;
  std::vector<Progress> progress_;
};

struct SkipCase {
  std::string_view description;
  std::string_view values;
  bool listed;
};

TEST_F(RegistryFinderTest, SkipRules) {
  const SkipCase cases[] = {
      {"a name and an uninstaller", R"("DisplayName"="Tool"
"UninstallString"="uninstall.exe")",
       true},
      {"an empty uninstaller", R"("DisplayName"="Tool"
"UninstallString"="")",
       true},
      {"a name stored as REG_EXPAND_SZ", R"("DisplayName"=hex(2):54,00,6f,00,6f,00,6c,00,00,00
"UninstallString"="u.exe")",
       true},
      {"an installer entry, even with 0", R"("DisplayName"="Tool"
"UninstallString"="u.exe"
"WindowsInstaller"=dword:00000000)",
       false},
      {"an installer entry of another type", R"("DisplayName"="Tool"
"UninstallString"="u.exe"
"WindowsInstaller"="")",
       false},
      {"a system component, even with 0", R"("DisplayName"="Tool"
"UninstallString"="u.exe"
"SystemComponent"=dword:00000000)",
       false},
      {"no uninstaller", R"("DisplayName"="Tool")", false},
      {"no name", R"("UninstallString"="u.exe")", false},
      {"a name of blanks", R"("DisplayName"="   "
"UninstallString"="u.exe")",
       false},
      {"a name stored as REG_DWORD", R"("DisplayName"=dword:00000007
"UninstallString"="u.exe")",
       false},
      {"a name stored as REG_BINARY", R"("DisplayName"=hex:54,00,00,00
"UninstallString"="u.exe")",
       false},
      {"an update of a parent key", R"("DisplayName"="Tool"
"UninstallString"="u.exe"
"ParentKeyName"="Office")",
       false},
      {"an update of a parent name", R"("DisplayName"="Tool"
"UninstallString"="u.exe"
"ParentDisplayName"="Office")",
       false},
  };
  for (const SkipCase& c : cases) {
    SCOPED_TRACE(c.description);
    list_.ReleaseAll();
    progress_.clear();
    Scan(Key(kUninstall64, "Entry", c.values));
    EXPECT_EQ(list_.Count(), c.listed ? 1 : 0);
    EXPECT_EQ(progress_.size(), c.listed ? 1u : 0u);
  }
}

TEST_F(RegistryFinderTest, ReadsEveryListedValueAsStored) {
  Scan(Key(kUninstall64, "{6A1B-Tool}", R"("DisplayName"=" Tool "
"DisplayVersion"="2.1.0"
"DisplayIcon"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,00,6c,00,65,00,73,00,25,00,5c,00,54,00,2e,00,65,00,78,00,65,00,00,00
"VersionMajor"=dword:00000002
"VersionMinor"=dword:ffffffff
"InstallLocation"="C:\\Program Files\\Tool\\"
"UninstallString"="\"C:\\Program Files\\Tool\\unins000.exe\""
"UninstallDir"="C:\\Program Files\\Tool"
"Publisher"="Beispiel GmbH – Köln"
"URLInfoAbout"="https://example.org/"
"URLUpdateInfo"="https://example.org/update"
"EstimatedSize"=dword:00001000)"));
  ASSERT_EQ(list_.Count(), 1);
  const RegistryProgram& program = ProgramAt(0);
  EXPECT_EQ(program.DisplayName, " Tool ");  // the comparison trims, the property does not
  EXPECT_EQ(program.DisplayVersion, "2.1.0");
  EXPECT_EQ(program.DisplayIcon, "%ProgramFiles%\\T.exe");
  EXPECT_EQ(program.VersionMajor, "2");
  EXPECT_EQ(program.VersionMinor, "-1");
  EXPECT_EQ(program.InstallLocation, "C:\\Program Files\\Tool\\");
  EXPECT_EQ(program.UninstallString, "\"C:\\Program Files\\Tool\\unins000.exe\"");
  EXPECT_EQ(program.UninstallDir, "C:\\Program Files\\Tool");
  EXPECT_EQ(program.Publisher, "Beispiel GmbH – Köln");
  EXPECT_EQ(program.URLInfoAbout, "https://example.org/");
  EXPECT_EQ(program.URLUpdateInfo, "https://example.org/update");
  EXPECT_EQ(program.RegistryKey, "{6A1B-Tool}");
  EXPECT_THAT(progress_, ElementsAre(Progress{"Registry", " Tool ", 0, 1}));
}

TEST_F(RegistryFinderTest, ReadValueAsTextByType) {
  struct Case {
    std::string_view data;
    std::string_view text;
  };
  const Case cases[] = {
      {R"("Text")", "Text"},
      {"hex(2):25,00,41,00,25,00,00,00", "%A%"},
      {"dword:00000007", "7"},
      {"dword:ffffffff", "-1"},
      {"dword:80000000", "-2147483648"},
      {"hex:01,02", ""},
      {"hex(7):41,00,00,00,00,00", ""},
      {"hex(b):07,00,00,00,00,00,00,00", ""},
      {"hex(0):", ""},
      {"hex(5):00,00,00,07", ""},
  };
  std::string values;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    values += "\"V" + std::to_string(i) + "\"=" + std::string(cases[i].data) + "\r\n";
  }
  platform::Registry key(platform::RootKey::LocalMachine, platform::RegistryView::Default,
                         Machine(Key(kUninstall64, "Entry", values)));
  ASSERT_TRUE(key.OpenKeyReadOnly(std::string(RegistryFinder::UninstallKey) + "Entry"));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].data);
    EXPECT_EQ(RegistryFinder::ReadValueAsText(key, "V" + std::to_string(i)), cases[i].text);
  }
}

TEST_F(RegistryFinderTest, ValueOfTheWrongTypeLeavesItsPropertyEmpty) {
  Scan(Key(kUninstall64, "Entry", R"("DisplayName"="Tool"
"DisplayVersion"=hex:31,00,2e,00,30,00,00,00
"VersionMajor"=dword:00000007
"UninstallString"="u.exe")"));
  ASSERT_EQ(list_.Count(), 1);
  EXPECT_EQ(ProgramAt(0).DisplayVersion, "");
  EXPECT_EQ(ProgramAt(0).VersionMajor, "7");
}

TEST_F(RegistryFinderTest, DataTheRegistryRefusesEndsTheScanKeepingWhatWasFound) {
  std::string machine = Key(kUninstall64, "A Good", R"("DisplayName"="Good"
"UninstallString"="u.exe")") +
                        Key(kUninstall64, "B Broken", R"("DisplayName"="Broken"
"UninstallString"="u.exe"
"VersionMajor"=hex(4):01,00,00,00,00)");
  try {
    Scan(machine);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Fehler beim Holen der Daten für 'VersionMajor'");
  }
  EXPECT_THAT(Keys(), ElementsAre("A Good"));
}

TEST_F(RegistryFinderTest, LeavesOutTheInstallerProductsFoundBefore) {
  for (std::string_view name : {"Foo", " Bar"}) {
    auto product = std::make_unique<InstallerProgram>();
    product->ProductName = name;
    list_.Add(std::move(product));
  }
  auto registered = std::make_unique<RegistryProgram>();
  registered->DisplayName = "Baz";
  list_.Add(std::move(registered));

  std::string machine;
  for (auto [key, name] :
       {std::pair{"1", "Foo"}, {"2", "  Foo "}, {"3", "foo"}, {"4", "Bar"}, {"5", "Baz"}}) {
    machine += Key(kUninstall64, key,
                   "\"DisplayName\"=\"" + std::string(name) + "\"\r\n\"UninstallString\"=\"u\"");
  }
  Scan(machine);
  // The case differs for "foo"; the installer's " Bar" is compared as it stands; registry
  // entries are never compared with each other.
  ASSERT_EQ(list_.Count(), 6);
  EXPECT_EQ(ProgramAt(3).RegistryKey, "3");
  EXPECT_EQ(ProgramAt(4).RegistryKey, "4");
  EXPECT_EQ(ProgramAt(5).RegistryKey, "5");

  EXPECT_TRUE(RegistryFinder::IsInstallerProduct(list_, "Foo"));
  EXPECT_FALSE(RegistryFinder::IsInstallerProduct(list_, "Baz"));
}

TEST_F(RegistryFinderTest, SixtyFourBitMachineScansBothViewsThirtyTwoBitFirst) {
  constexpr std::string_view kValues = "\"DisplayName\"=\"Tool\"\r\n\"UninstallString\"=\"u\"";
  std::string machine = std::string(test::kWow64Node) + Key(kUninstall64, "Shared", kValues) +
                        Key(kUninstall64, "Only64", kValues) +
                        Key(kUninstall32, "Only32", kValues) + Key(kUninstall32, "Shared", kValues);
  Scan(machine);
  EXPECT_THAT(Keys(), ElementsAre("Only32", "Shared", "Only64", "Shared"));
  EXPECT_THAT(progress_,
              ElementsAre(Progress{"Registry", "Tool", 0, 2}, Progress{"Registry", "Tool", 1, 2},
                          Progress{"Registry", "Tool", 0, 2}, Progress{"Registry", "Tool", 1, 2}));
}

TEST_F(RegistryFinderTest, ThirtyTwoBitMachineHasOneView) {
  Scan(Key(kUninstall64, "Tool", "\"DisplayName\"=\"Tool\"\r\n\"UninstallString\"=\"u\""));
  EXPECT_THAT(Keys(), ElementsAre("Tool"));
}

TEST_F(RegistryFinderTest, ProgressCountsSkippedSubkeys) {
  std::string machine;
  for (std::string_view name : {"A", "B", "C", "D", "E"}) {
    std::string values = "\"DisplayName\"=\"" + std::string(name) + "\"";
    if (name != "B" && name != "D") values += "\r\n\"UninstallString\"=\"u\"";
    machine += Key(kUninstall64, name, values);
  }
  Scan(machine);
  EXPECT_THAT(progress_,
              ElementsAre(Progress{"Registry", "A", 0, 5}, Progress{"Registry", "C", 2, 5},
                          Progress{"Registry", "E", 4, 5}));
}

TEST_F(RegistryFinderTest, MachineWithoutUninstallKeyGivesNothing) {
  Scan("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\r\n");
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_TRUE(progress_.empty());
}

TEST_F(RegistryFinderTest, FinderWithoutProgressHandlerFindsTheSame) {
  RegistryFinder finder(
      Machine(Key(kUninstall64, "Tool", "\"DisplayName\"=\"Tool\"\r\n\"UninstallString\"=\"u\"")));
  finder.Find(list_);
  EXPECT_THAT(Keys(), ElementsAre("Tool"));
}

}  // namespace
}  // namespace lintrove
