#include "settings/client_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "base/error.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "platform/run_value_logon_entry.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "settings/system_settings.h"
#include "settings_test_support.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

namespace RegType = platform::RegType;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

bool IsRegistryGuid(const std::string& text) {
  static const std::regex pattern(
      R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
  return std::regex_match(text, pattern);
}

class ClientSettingsTest : public ::testing::Test {
 protected:
  std::filesystem::path EntryFile() const { return dir_ / "autostart" / "lintrove.desktop"; }
  void PutEntry(std::string_view content) const {
    std::filesystem::create_directories(EntryFile().parent_path());
    test::WriteFileBytes(EntryFile(), content);
  }

  test::TempDir dir_;
  platform::PosixRegistry backend_{dir_ / "registry"};
  platform::XdgLogonEntry logon_{"lintrove", dir_ / "autostart"};
  test::SettingsKeyAccess key_{backend_, platform::RootKey::CurrentUser};
};

TEST_F(ClientSettingsTest, FirstRunLoadsDefaultsWithoutReminderAndSavesAllTwelveValues) {
  key_.Put("fremd", RegType::Dword, test::Dword(9));
  ClientSettings settings(backend_, logon_);
  EXPECT_EQ(settings.int_reminder, 1);
  settings.Load();

  EXPECT_EQ(settings.int_reminder, 0) << "no log-on entry means no reminder";
  EXPECT_EQ(settings.dat_lastcheck, -1.0);
  EXPECT_TRUE(settings.bol_upgrades);
  EXPECT_FALSE(settings.bol_developerversionen);
  EXPECT_TRUE(settings.bol_unknown);
  EXPECT_FALSE(settings.bol_nicht_unterstuetzt);
  EXPECT_FALSE(settings.bol_uptodate);
  EXPECT_TRUE(settings.bol_updatesbekannt);
  EXPECT_FALSE(settings.bol_uptodatehinweis);
  EXPECT_FALSE(settings.bol_extendedmsiinfo);
  EXPECT_TRUE(settings.bol_ssl);
  EXPECT_TRUE(IsRegistryGuid(settings.ClientGuid)) << settings.ClientGuid;

  settings.Save();
  EXPECT_THAT(key_.Names(),
              ElementsAre("fremd", "bol_upgrades", "bol_developerversionen", "bol_unknown",
                          "bol_nicht_unterstuetzt", "bol_uptodate", "bol_updatesbekannt",
                          "ClientGuid", "dat_lastcheck", "bol_uptodatehinweis",
                          "bol_extendedmsiinfo", "int_reminder", "bol_ssl"));
  EXPECT_EQ(key_.Get("dat_lastcheck")->data,
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xF0, 0xBF}));
  EXPECT_EQ(key_.Get("int_reminder")->data, test::Dword(0));
  EXPECT_EQ(key_.Get("bol_ssl")->data, test::Dword(1));
  EXPECT_FALSE(std::filesystem::exists(EntryFile()));

  // The GUID of the first run stays.
  ClientSettings next(backend_, logon_);
  EXPECT_NE(next.ClientGuid, settings.ClientGuid);
  next.Load();
  EXPECT_EQ(next.ClientGuid, settings.ClientGuid);
}

// The log-on entry decides whether a stored reminder period holds, and Save writes or removes
// it by the period.
TEST_F(ClientSettingsTest, LogonEntryFollowsTheReminderPeriod) {
  struct Case {
    std::string label;
    std::optional<std::string> entry;  // the file before the run
    std::optional<std::int32_t> stored;
    std::int32_t loaded;
    bool entryAfterSave;
  };
  const std::string oldEntry =
      "[Desktop Entry]\nType=Application\nExec=/alter/ort/lintrove /reminder\n";
  const std::vector<Case> cases = {
      {"entry, nothing stored", oldEntry, std::nullopt, 1, true},
      {"entry, every two weeks", oldEntry, 2, 2, true},
      {"entry removed by the user", std::nullopt, 3, 0, false},
      {"entry switched off by the desktop", oldEntry + "Hidden=true\n", 3, 0, false},
      {"entry switched off (GNOME)", oldEntry + "X-GNOME-Autostart-enabled=false\n", 1, 0, false},
      {"entry, stored none", oldEntry, 0, 0, false},
      {"entry, stored negative", oldEntry, -1, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove_all(dir_ / "autostart");
    std::filesystem::remove_all(dir_ / "registry");
    if (c.entry) PutEntry(*c.entry);
    if (c.stored) key_.Put("int_reminder", RegType::Dword, test::Dword(*c.stored));

    ClientSettings settings(backend_, logon_);
    settings.Load();
    EXPECT_EQ(settings.int_reminder, c.loaded);
    settings.Save();
    EXPECT_EQ(std::filesystem::exists(EntryFile()), c.entryAfterSave);
    if (c.entryAfterSave) {
      // The path of the executable is taken anew: the program may have moved.
      const std::string content = test::ReadFileBytes(EntryFile());
      EXPECT_THAT(content, HasSubstr("Exec=" + platform::ExecutablePath() + " /reminder\n"));
      EXPECT_THAT(content, ::testing::Not(HasSubstr("alter")));
    }
  }
}

// The Windows form of the entry: the value "lintrove" under the user's Run key.
TEST_F(ClientSettingsTest, RunValueEntryFollowsTheReminderPeriod) {
  platform::RunValueLogonEntry runValue(backend_, "lintrove");
  auto runValueData = [&]() -> std::optional<platform::RegistryData> {
    platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                                backend_);
    registry.OpenKeyReadOnly(RunKey);
    return registry.ReadValue("lintrove");
  };

  ClientSettings first(backend_, runValue);
  first.Load();
  EXPECT_EQ(first.int_reminder, 0);
  first.int_reminder = 3;
  first.Save();
  const auto written = runValueData();
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->type, RegType::Sz);
  const std::string path = platform::ExecutablePath();
  EXPECT_EQ(written->data, test::Sz(std::u16string(path.begin(), path.end()) + u" /reminder"));

  ClientSettings second(backend_, runValue);
  second.Load();
  EXPECT_EQ(second.int_reminder, 3);
  second.int_reminder = 0;
  second.Save();
  EXPECT_FALSE(runValueData().has_value());
  platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                              backend_);
  EXPECT_TRUE(registry.KeyExists(RunKey));
}

TEST(RunValueCommandLineTest, QuotesAProgramPathWithBlanks) {
  EXPECT_EQ(platform::RunValueCommandLine({"C:\\Lintrove\\lintrove.exe", {"/reminder"}}),
            "C:\\Lintrove\\lintrove.exe /reminder");
  const std::string spaced = platform::RunValueCommandLine(
      {"C:\\Program Files (x86)\\Lintrove\\lintrove.exe", {"/reminder"}});
  EXPECT_EQ(spaced, "\"C:\\Program Files (x86)\\Lintrove\\lintrove.exe\" /reminder");
  EXPECT_THAT(platform::SplitWindowsCommandLine(spaced),
              ElementsAre("C:\\Program Files (x86)\\Lintrove\\lintrove.exe", "/reminder"));
}

TEST_F(ClientSettingsTest, StoredEmptyGuidStaysEmpty) {
  key_.Put("ClientGuid", RegType::Sz, test::Sz(u""));
  ClientSettings settings(backend_, logon_);
  settings.Load();
  EXPECT_EQ(settings.ClientGuid, "");
}

// The machine the window checks is kept beside the published values while a prefix is chosen,
// and read back by the desktop client and by the command line's own load and save alike.
TEST_F(ClientSettingsTest, TheChosenWinePrefixIsStoredOnlyWhileChosen) {
  const std::string prefix = "/home/anna/.local/share/Steam/steamapps/compatdata/570/pfx";
  ClientSettings settings(backend_, logon_);
  settings.str_wineprefix = prefix;
  settings.Save();
  EXPECT_EQ(key_.Get("str_wineprefix")->type, RegType::Sz);

  ClientSettings desktop(backend_, logon_);
  desktop.Load();
  EXPECT_EQ(desktop.str_wineprefix, prefix);
  ClientSettings tool(backend_, logon_);
  tool.LoadValues();
  EXPECT_EQ(tool.str_wineprefix, prefix);
  tool.SaveValues();
  EXPECT_EQ(key_.Get("str_wineprefix")->data,
            test::Sz(u"/home/anna/.local/share/Steam/steamapps/compatdata/570/pfx"));

  // Back to this computer: the value goes, the published ones stay.
  desktop.str_wineprefix.clear();
  desktop.Save();
  EXPECT_FALSE(key_.Get("str_wineprefix").has_value());
  EXPECT_EQ(key_.Names().size(), 12u);
  ClientSettings after(backend_, logon_);
  after.Load();
  EXPECT_EQ(after.str_wineprefix, "");

  // A value of the wrong type is the registry's error, as for every other setting.
  key_.Put("str_wineprefix", RegType::Dword, test::Dword(1));
  ClientSettings wrong(backend_, logon_);
  EXPECT_THROW(wrong.Load(), Error);
}

// The settings are written before the log-on entry, which then reports its own failure.
TEST_F(ClientSettingsTest, SaveReportsALogonEntryThatCannotBeWritten) {
  test::WriteFileBytes(dir_ / "autostart", "a file where the directory belongs");
  ClientSettings settings(backend_, logon_);
  settings.int_reminder = 2;
  try {
    settings.Save();
    ADD_FAILURE() << "Save raised nothing";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("Der Autostart-Eintrag '" + EntryFile().string() +
                                        "' kann nicht geschrieben werden: "));
  }
  EXPECT_EQ(key_.Get("int_reminder")->data, test::Dword(2));
}

TEST_F(ClientSettingsTest, SystemSettingsLiveUnderTheLocalMachine) {
  test::SettingsKeyAccess machine(backend_, platform::RootKey::LocalMachine);
  machine.Put("StrServiceUrl", RegType::Sz, test::Sz(u"dienst.example/updateservice1400.php"));
  SystemSettings settings(backend_);
  settings.Load();
  EXPECT_EQ(settings.StrServiceUrl, "dienst.example/updateservice1400.php");
  EXPECT_EQ(settings.StrFeedBackServiceUrl, "");
  settings.StrFeedBackServiceUrl = "dienst.example/updateservicefeedback1400.php";
  settings.Save();
  EXPECT_THAT(machine.Names(), ElementsAre("StrServiceUrl", "StrFeedBackServiceUrl"));
  EXPECT_FALSE(key_.Get("StrServiceUrl").has_value());
}

TEST(ClientSettingsInstanceTest, ScopedInstanceReplacesTheProcessWideObjectForItsScope) {
  test::TempDir dir;
  platform::PosixRegistry backend(dir.Path());
  platform::XdgLogonEntry logon("lintrove", dir / "autostart");
  ClientSettings replacement(backend, logon);
  {
    ClientSettings::ScopedInstance scope(replacement);
    EXPECT_EQ(&ClientSettings::Instance(), &replacement);
  }
  EXPECT_NE(&ClientSettings::Instance(), &replacement);
}

}  // namespace
}  // namespace lintrove
