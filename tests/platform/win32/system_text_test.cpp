#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "platform/locale.h"
#include "platform/unicode.h"

namespace lintrove::platform {
namespace {

TEST(Win32LocaleTest, LocaleNamesOfBothSystemsHaveTheirNumbers) {
  struct Case {
    const char* name;
    std::uint32_t lcid;
  };
  const Case cases[] = {
      {"de-DE", 0x0407},
      {"en-US", 0x0409},
      {"de-AT", 0x0C07},
      {"de", 0x0007},
      {"de_DE.UTF-8", 0x0407},
      {"de_CH", 0x0807},
      {"fr_FR.UTF-8@euro", 0x040C},
      {"sr_RS@latin", 0x241A},
      {"ja-JP", 0x0411},
      {"C", 0},
      {"C.UTF-8", 0},
      {"POSIX", 0},
      {"", 0},
      {"nonsense", 0},
      {"xx_YY.UTF-8", 0},
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(LcidOfLocaleName(test_case.name), test_case.lcid) << test_case.name;
  }
}

TEST(Win32LocaleTest, TheUsersLcidIsTheSystemsUserLocale) {
  const std::uint32_t lcid = UserDefaultLcid();
  EXPECT_EQ(lcid, GetUserDefaultLCID());
  EXPECT_FALSE(LocaleDisplayName(lcid).empty());
}

TEST(Win32LocaleTest, KnownLocalesHaveDisplayNamesAndOthersNone) {
  EXPECT_FALSE(LocaleDisplayName(0x0407).empty());
  EXPECT_NE(LocaleDisplayName(0x0407), LocaleDisplayName(0x0409));
  EXPECT_EQ(LocaleDisplayName(0xFFFF), "");
  // 0 and its kin stand for the user's or the system's default to the system, not for a locale.
  EXPECT_EQ(LocaleDisplayName(0), "");
  EXPECT_EQ(LocaleDisplayName(0x0400), "");
}

TEST(Win32LocaleTest, InstalledLocalesAreTheSystemsWithTheirNumbers) {
  const std::vector<std::uint32_t> locales = InstalledLocales();
  for (std::uint32_t expected : {0x0407u, 0x0409u, 0x0411u}) {
    EXPECT_NE(std::find(locales.begin(), locales.end(), expected), locales.end())
        << std::hex << expected;
  }
  EXPECT_EQ(std::find(locales.begin(), locales.end(), 0u), locales.end());
}

TEST(Win32LocaleTest, CodePagesAreTheLocalesDefaultAnsiCodePages) {
  struct Case {
    std::uint32_t lcid;
    std::optional<int> code_page;
  };
  const Case cases[] = {
      {0x0407, 1252},
      {0x0409, 1252},
      {0x0415, 1250},
      {0x0408, 1253},
      {0x041F, 1254},
      {0x0411, 932},
      {0x0804, 936},
      {0x0404, 950},
      {0x0439, 0},  // Hindi is written
                    // in Unicode only
      {0xFFFF, std::nullopt},
      {0, std::nullopt},
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(LocaleAnsiCodePage(test_case.lcid), test_case.code_page)
        << std::hex << test_case.lcid;
  }
  EXPECT_EQ(SystemAnsiCodePage(), 65001);
}

TEST(Win32LocaleTest, ComparisonWithoutRegardToCaseMapsEveryLetterToItsCapital) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {
      {"frm_Optionen", "FRM_OPTIONEN", true},
      {"lbl_größe", "LBL_GRÖßE", true},
      {"Ärger", "äRGER", true},
      {"Ärger", "Arger", false},
      {"cb_ssl", "cb_ssl2", false},
      {"cb_ssl2", "cb_ssl", false},
      {"", "", true},
      {"", "a", false},
      // Character by character, as the system compares names: ß is no "SS".
      {"straße", "STRASSE", false},
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(EqualsIgnoringCase(test_case.a, test_case.b), test_case.equal)
        << test_case.a << " / " << test_case.b;
  }
}

TEST(Win32UnicodeTest, UpperCaseIsTheSystemsOneCharacterMapping) {
  struct Case {
    char32_t character;
    char32_t upper;
  };
  const Case cases[] = {
      {U'a', U'A'},
      {U'A', U'A'},
      {U'ä', U'Ä'},
      {U'é', U'É'},
      {U'ß', U'ß'},  // its upper case "SS" is two characters
      {U'ÿ', U'Ÿ'},
      {U'ω', U'Ω'},
      {U'я', U'Я'},
      {U'1', U'1'},
      {U'\U00010428', U'\U00010400'},  // Deseret, outside the Basic Multilingual Plane
      {U'\U0001F600', U'\U0001F600'},
      {0xD800, 0xD800},      // a lone surrogate is no character
      {0x110000, 0x110000},  // beyond Unicode
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(UpperCaseOf(test_case.character), test_case.upper)
        << std::hex << static_cast<std::uint32_t>(test_case.character);
  }
}

TEST(Win32UnicodeTest, ComposedFormComposesWhatCanBeComposed) {
  struct Case {
    std::u16string text;
    std::u16string composed;
  };
  const Case cases[] = {
      {u"e\u0301", u"\u00E9"},
      {u"Cafe\u0301 a\u0308", u"Caf\u00E9 \u00E4"},
      {u"\u00E9", u"\u00E9"},
      {u"plain", u"plain"},
      {u"", u""},
      {u"\U0001D15E", u"\U0001D157\U0001D165"},  // excluded from composition: decomposed
      {u"\U00011099\U000110BA", u"\U0001109A"},  // Kaithi, composed outside the BMP
      {u"\xD800x", u"\xD800x"},                  // not UTF-16: stays as it is
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(ComposedForm(test_case.text), test_case.composed) << Utf16ToUtf8(test_case.text);
  }
}

}  // namespace
}  // namespace lintrove::platform
