#include "platform/locale.h"

#include <gtest/gtest.h>

#include "support/scoped_environment.h"

namespace lintrove::platform {
namespace {

TEST(LocaleTest, TheUsersLcidComesFromTheMessagesLocale) {
  struct Case {
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
    std::uint32_t lcid;
  };
  const Case cases[] = {
      {nullptr, nullptr, "de_DE.UTF-8", 0x0407},
      {nullptr, nullptr, "de_AT", 0x0C07},
      {nullptr, nullptr, "en_US.UTF-8", 0x0409},
      {nullptr, nullptr, "fr_FR.UTF-8@euro", 0x040C},
      {nullptr, nullptr, "de", 0x0007},
      {nullptr, nullptr, "C", 0},
      {nullptr, nullptr, "C.UTF-8", 0},
      {nullptr, nullptr, "POSIX", 0},
      {nullptr, nullptr, "", 0},
      {nullptr, nullptr, nullptr, 0},
      {nullptr, nullptr, "xx_YY.UTF-8", 0},
      {nullptr, "de_DE.UTF-8", "en_US.UTF-8", 0x0407},
      {"C", "de_DE.UTF-8", "en_US.UTF-8", 0},
      {"", "de_CH.UTF-8", "en_US.UTF-8", 0x0807},  // an empty variable counts as unset
  };
  for (const Case& test_case : cases) {
    test::ScopedEnvironment environment;
    if (test_case.lc_all) environment.Set("LC_ALL", test_case.lc_all);
    if (test_case.lc_messages) environment.Set("LC_MESSAGES", test_case.lc_messages);
    if (test_case.lang) environment.Set("LANG", test_case.lang);
    EXPECT_EQ(UserDefaultLcid(), test_case.lcid)
        << (test_case.lc_all ? test_case.lc_all : "-") << " "
        << (test_case.lc_messages ? test_case.lc_messages : "-") << " "
        << (test_case.lang ? test_case.lang : "-");
  }
}

TEST(LocaleTest, LocaleNamesAreInTheUsersLanguage) {
  test::ScopedEnvironment environment;
  environment.Set("LANG", "de_DE.UTF-8");
  EXPECT_EQ(LocaleDisplayName(0x0407), "Deutsch (Deutschland)");
  EXPECT_EQ(LocaleDisplayName(0x0009), "Englisch");
  environment.Set("LANG", "en_US.UTF-8");
  EXPECT_EQ(LocaleDisplayName(0x0407), "German (Germany)");
  EXPECT_EQ(LocaleDisplayName(0xFFFF), "");
  EXPECT_FALSE(InstalledLocales().empty());
}

TEST(LocaleTest, CodePagesFollowTheLanguagesScript) {
  EXPECT_EQ(LocaleAnsiCodePage(0x0407), 1252);
  EXPECT_EQ(LocaleAnsiCodePage(0x0415), 1250);
  EXPECT_EQ(LocaleAnsiCodePage(0x0408), 1253);
  EXPECT_EQ(LocaleAnsiCodePage(0x041F), 1254);
  EXPECT_EQ(LocaleAnsiCodePage(0x0804), 936);
  EXPECT_EQ(LocaleAnsiCodePage(0x0404), 950);
  EXPECT_EQ(LocaleAnsiCodePage(0x0439), 0) << "Hindi is written in Unicode only";
  EXPECT_EQ(LocaleAnsiCodePage(0xFFFF), std::nullopt);
}

TEST(LocaleTest, ComparisonWithoutRegardToCaseFoldsEveryLetter) {
  EXPECT_TRUE(EqualsIgnoringCase("frm_Optionen", "FRM_OPTIONEN"));
  EXPECT_TRUE(EqualsIgnoringCase("lbl_größe", "LBL_GRÖßE"));
  EXPECT_FALSE(EqualsIgnoringCase("cb_ssl", "cb_ssl2"));
  EXPECT_TRUE(EqualsIgnoringCase("", ""));
}

}  // namespace
}  // namespace lintrove::platform
