#include <gtest/gtest.h>

#include <sstream>

#include "platform/client_version.h"
#include "startup/command_line.h"
#include "startup/error_report.h"
#include "startup/reminder.h"
#include "startup/startup.h"

namespace lintrove {
namespace {

TEST(ReminderSwitchTest, SwitchCharacterAndTheWholeWordInAnyCase) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"/reminder", true},   {"-Reminder", true},   {"/REMINDER", true},   {"-rEmInDeR", true},
      {"/reminders", false}, {"reminder", false},   {"//reminder", false}, {"/remind", false},
      {"--reminder", false}, {"/reminder ", false}, {"", false},           {"/", false},
  };
  for (const auto& [argument, expected] : cases) {
    SCOPED_TRACE(argument);
    EXPECT_EQ(IsReminderSwitch(argument), expected);
  }
}

TEST(StartupArgumentsTest, RecognisesTheSwitchesAndIgnoresTheRest) {
  const std::vector<std::string> arguments = {"-platform", "offscreen", "/Reminder", "egal"};
  const StartupOptions options = ParseStartupArguments(arguments);
  EXPECT_TRUE(options.reminder);
  EXPECT_FALSE(options.help);
  EXPECT_FALSE(options.version);

  const std::vector<std::string> informational = {"--version", "--help"};
  const StartupOptions both = ParseStartupArguments(informational);
  EXPECT_TRUE(both.help);
  EXPECT_TRUE(both.version);
  EXPECT_FALSE(both.reminder);
}

TEST(StartupArgumentsTest, TheWinePrefixIsTheArgumentAfterItsOption) {
  using Arguments = std::vector<std::string>;
  EXPECT_EQ(WinePrefixArgument(Arguments{"-platform", "offscreen", "--wine-prefix", "/p"}), "/p");
  EXPECT_EQ(WinePrefixArgument(Arguments{"--wine-prefix", "/reminder"}), "/reminder");
  EXPECT_EQ(WinePrefixArgument(Arguments{"/reminder", "--wine-prefix"}), std::nullopt);
  EXPECT_EQ(WinePrefixArgument(Arguments{"/wine-prefix", "/p"}), std::nullopt);
}

TEST(StartupArgumentsTest, HelpAndVersionAreWrittenAndEndTheRun) {
  std::ostringstream out;
  EXPECT_TRUE(PrintInformation({.version = true}, "lintrove", out));
  EXPECT_EQ(out.str(), "Lintrove 1.4.0.0\n");

  out.str("");
  EXPECT_TRUE(PrintInformation({.help = true}, "/usr/bin/lintrove", out));
  EXPECT_EQ(
      out.str().rfind(
          "Aufruf: /usr/bin/lintrove [/reminder] [--wine-prefix VERZ] [--help] [--version]\n", 0),
      0u);
  EXPECT_NE(out.str().find("--version"), std::string::npos);

  out.str("");
  EXPECT_FALSE(PrintInformation({.reminder = true}, "lintrove", out));
  EXPECT_EQ(out.str(), "");
}

TEST(ReminderPeriodTest, TwoAndThreeChooseLongerPeriodsEverythingElseAWeek) {
  const std::vector<std::pair<std::int32_t, int>> cases = {
      {0, 7}, {1, 7}, {2, 14}, {3, 28}, {4, 7}, {-1, 7}, {INT32_MIN, 7}, {INT32_MAX, 7}};
  for (const auto& [setting, days] : cases) {
    SCOPED_TRACE(setting);
    EXPECT_EQ(ReminderPeriodDays(setting), days);
  }
}

TEST(ReminderDecisionTest, WorkedDecisions) {
  const DateTime now = 46000.5;  // 2025-12-09 12:00
  const DateTime hour = 1.0 / 24;
  const DateTime minute = hour / 60;
  struct Case {
    std::string label;
    bool reminderSwitch;
    std::int32_t setting;
    DateTime lastCheck;
    ReminderDecision expected;
  };
  using enum ReminderDecision;
  const std::vector<Case> cases = {
      {"no switch, checked just now", false, 1, now, ShowMainWindow},
      {"no switch, never set up", false, 1, -1.0, ShowMainWindow},
      {"6 days 23 hours", true, 1, now - 6 - 23 * hour, EndSilently},
      {"exactly 7 days", true, 1, now - 7, EndSilently},
      {"7 days 1 minute", true, 1, now - 7 - minute, AskUser},
      {"never set up", true, 1, -1.0, AskUser},
      {"set up, never checked", true, 1, 0.0, AskUser},
      {"3 days, weekly", true, 1, now - 3, EndSilently},
      {"period unset counts as a week: 6 days", true, 0, now - 6, EndSilently},
      {"period unset counts as a week: 8 days", true, 0, now - 8, AskUser},
      {"two weeks: 13 days", true, 2, now - 13, EndSilently},
      {"two weeks: 15 days", true, 2, now - 15, AskUser},
      {"four weeks: 20 days", true, 3, now - 20, EndSilently},
      {"four weeks: 29 days", true, 3, now - 29, AskUser},
      {"last check in the future", true, 1, now + 30, EndSilently},
      {"not comparable", true, 1, std::numeric_limits<double>::quiet_NaN(), AskUser},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(DecideReminder(c.reminderSwitch, c.setting, c.lastCheck, now), c.expected);
  }
}

TEST(ErrorBoxTextTest, AppendsAPeriodAfterCharactersThatSortAfterIt) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"Fehler", "Fehler."},
      {"Fehler.", "Fehler."},
      {"Fehler!", "Fehler!"},
      {"Fehler)", "Fehler)"},
      {"Fehler ", "Fehler "},
      {"Zeile\r\n", "Zeile\r\n"},
      {"Fehler:", "Fehler:."},
      {"Wert 100", "Wert 100."},
      {"Warum?", "Warum?."},
      {"Ungültiger Datentyp für 'x'", "Ungültiger Datentyp für 'x'"},
      {"Größe", "Größe."},
      {"kaputt ☃", "kaputt ☃."},
      {"-", "-"},
      {"/", "/."},
  };
  for (const auto& [message, shown] : cases) {
    SCOPED_TRACE(message);
    EXPECT_EQ(ErrorBoxText(message), shown);
  }
}

TEST(ClientVersionTest, FourNumbersFromTheFileVersion) {
  EXPECT_EQ(ClientVersion(), "1.4.0.0");
  EXPECT_EQ(FormatFileVersion(0x00010004, 0x0000000C), "1.4.0.12");
  EXPECT_EQ(FormatFileVersion(0xFFFF0000, 0x0001FFFF), "65535.0.1.65535");
  EXPECT_EQ(FormatFileVersion(0, 0), "0.0.0.0");
}

}  // namespace
}  // namespace lintrove
