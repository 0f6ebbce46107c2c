#include "localization/localizer.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/format.h"
#include "base/resource_strings.h"
#include "plain_components.h"
#include "platform/pe/pe_resource_writer.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

using platform::ResourceToWrite;

std::vector<std::uint8_t> Wide(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

ResourceToWrite Message(int id, std::u16string_view text) {
  return {platform::kResourceTypeRcData, static_cast<std::uint16_t>(id), Wide(text)};
}

class LocalizerTest : public ::testing::Test {
 protected:
  void WriteLanguage(std::string_view name, std::vector<ResourceToWrite> resources) {
    const std::vector<std::uint8_t> image = platform::WriteResourceModule(std::move(resources));
    test::WriteFileBytes(dir_ / name, std::string(image.begin(), image.end()));
  }
  // A language file whose only translation names its language, so a test sees which file loaded.
  void WriteMarkedLanguage(std::string_view name, std::u16string_view mark) {
    WriteLanguage(name, {Message(ResString::Done, mark)});
  }

  test::TempDir dir_;
  test::ScopedEnvironment environment_;
  LanguageFileLocalizer localizer_{(dir_ / "client").string()};
};

TEST_F(LocalizerTest, FileNamesCarryTheLcidInUpperCaseHexadecimal) {
  const std::string dir = dir_.Path().string() + "/";
  EXPECT_EQ(localizer_.GetLanguageDir(), dir) << "initially beside the executable";
  EXPECT_EQ(localizer_.LanguageFileName(0x0407), dir + "client.0407.wlx");
  EXPECT_EQ(localizer_.LanguageFileName(7), dir + "client.0007.wlx");
  EXPECT_EQ(localizer_.LanguageFileName(0x10C0A), dir + "client.10C0A.wlx");

  localizer_.SetLanguageDir("/opt/client/Languages");
  EXPECT_EQ(localizer_.GetLanguageDir(), "/opt/client/Languages/");
  localizer_.SetLanguageDir("/opt/client/Languages/");
  EXPECT_EQ(localizer_.GetLanguageDir(), "/opt/client/Languages/");
}

TEST_F(LocalizerTest, TheUsersLanguageFallsBackToThePrimaryLanguageThenToTheFallback) {
  WriteMarkedLanguage("client.0007.wlx", u"de");
  WriteMarkedLanguage("client.0009.wlx", u"en");
  WriteMarkedLanguage("client.0C07.wlx", u"de-AT");
  struct Case {
    const char* lang;
    std::int32_t loaded;
    const char* done;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", 0x0007, "de"},  // no 0407 file: the primary language
      {"de_AT.UTF-8", 0x0C07, "de-AT"},
      {"en_US.UTF-8", 0x0009, "en"},
      {"fr_FR.UTF-8", 0x0009, "en"},  // no French at all: the fallback
      {"C", 0x0009, "en"},
      {"POSIX", 0x0009, "en"},
  };
  for (const Case& test_case : cases) {
    environment_.Set("LANG", test_case.lang);
    EXPECT_TRUE(localizer_.LoadUserLanguage(9, false)) << test_case.lang;
    EXPECT_EQ(localizer_.GetLanguageID(), test_case.loaded) << test_case.lang;
    EXPECT_EQ(LoadResString(ResString::Done), test_case.done) << test_case.lang;
  }

  environment_.Set("LANG", "fr_FR.UTF-8");
  EXPECT_FALSE(localizer_.LoadUserLanguage(0, false)) << "no fallback";
  EXPECT_FALSE(localizer_.IsLanguageLoaded());
  EXPECT_EQ(LoadResString(ResString::Done), "Fertig...");
  EXPECT_EQ(localizer_.LanguageFile(), dir_.Path().string() + "/client.000C.wlx");
}

TEST_F(LocalizerTest, LcAllAndLcMessagesComeBeforeLang) {
  WriteMarkedLanguage("client.0007.wlx", u"de");
  environment_.Set("LANG", "en_US.UTF-8");
  environment_.Set("LC_MESSAGES", "de_CH.UTF-8");
  EXPECT_TRUE(localizer_.LoadUserLanguage(0, false));
  EXPECT_EQ(LoadResString(ResString::Done), "de");

  environment_.Set("LC_ALL", "C");
  EXPECT_FALSE(localizer_.LoadUserLanguage(0, false));
}

TEST_F(LocalizerTest, TranslationsStandInFrontOfTheBuiltInTextsUntilUnloaded) {
  WriteLanguage("client.0009.wlx",
                {Message(ResString::Done, u"Done..."),
                 Message(ResString::ConnectionFailed, u"Connection failed: %s"),
                 Message(ResString::AskingService, u""),                       // empty
                 Message(ResString::ScanProgress, std::u16string(u"\0x", 2)),  // NUL first
                 Message(ResString::CollectingInformation, std::u16string(u"Wait\0junk", 9)),
                 // "e" and a combining acute accent become one "é".
                 Message(ResString::SetupStarts, u"Caf\u0065\u0301")});
  ASSERT_TRUE(localizer_.LoadLanguage(9, false));
  EXPECT_TRUE(localizer_.IsLanguageLoaded());
  EXPECT_EQ(LoadResString(ResString::Done), "Done...");
  EXPECT_EQ(LoadResString(ResString::ConnectionFailed), "Connection failed: %s");
  EXPECT_EQ(LoadResString(ResString::AskingService),
            "Erfrage Versionen beim Server - Bitte warten...");
  EXPECT_EQ(LoadResString(ResString::ScanProgress), "%d von %d");
  EXPECT_EQ(LoadResString(ResString::CollectingInformation), "Wait");
  EXPECT_EQ(LoadResString(ResString::SetupStarts), "Caf\u00e9");
  EXPECT_EQ(LoadResString(ResString::Done + 1000), "") << "a number nobody has";

  localizer_.UnloadLanguage();
  EXPECT_FALSE(localizer_.IsLanguageLoaded());
  EXPECT_EQ(localizer_.GetLanguageID(), 0);
  for (int id : BuiltInResStringIds()) EXPECT_EQ(LoadResString(id), BuiltInResString(id)) << id;
}

TEST_F(LocalizerTest, AFailedLoadDropsThePreviousLanguage) {
  WriteMarkedLanguage("client.0009.wlx", u"en");
  test::WriteFileBytes(dir_ / "client.0007.wlx", "not a module");
  ASSERT_TRUE(localizer_.LoadLanguage(9, false));
  EXPECT_FALSE(localizer_.LoadLanguage(7, false)) << "a damaged file counts as none";
  EXPECT_FALSE(localizer_.IsLanguageLoaded());
  EXPECT_EQ(LoadResString(ResString::Done), "Fertig...");
  EXPECT_FALSE(localizer_.LoadLanguage(0x0407, false));
}

TEST_F(LocalizerTest, DestroyingTheLocalizerRestoresTheBuiltInTexts) {
  WriteMarkedLanguage("client.0009.wlx", u"en");
  {
    LanguageFileLocalizer other((dir_ / "client").string());
    ASSERT_TRUE(other.LoadLanguage(9, false));
    EXPECT_EQ(LoadResString(ResString::Done), "en");
  }
  EXPECT_EQ(LoadResString(ResString::Done), "Fertig...");
}

TEST_F(LocalizerTest, ListsTheLanguageFilesWithTheirLocaleNames) {
  environment_.Set("LANG", "en_US.UTF-8");
  for (std::string_view name : {"client.0407.wlx", "client.0009.wlx", "client.0000.wlx",
                                "client.7C07.wlx", "CLIENT.0C07.WLX", "client.040C.txt",
                                "client.40C.wlx", "other.0410.wlx", "client.04zz.wlx"}) {
    WriteMarkedLanguage(name, u"x");
  }
  std::vector<LanguageEntry> all;
  EXPECT_EQ(localizer_.GetLanguages(&all, false), 5);
  std::vector<std::pair<std::string, std::int32_t>> seen;
  for (const LanguageEntry& entry : all) seen.emplace_back(entry.name, entry.lcid);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::int32_t>>{
                      {"German (Austria)", 0x0C07},
                      {"English", 0x0009},
                      {"German (Germany)", 0x0407},
                      {"<unknown>", -1},   // 04zz is no number
                      {"German", 0x7C07},  // unknown to the system: its primary language
                  }));

  std::vector<std::pair<std::string, std::int32_t>> enumerated;
  EXPECT_EQ(localizer_.EnumLanguages(true,
                                     [&](const std::string& name, std::int32_t lcid) {
                                       enumerated.emplace_back(name, lcid);
                                     }),
            4);
  EXPECT_EQ(enumerated.size(), 4u) << "without the primary language English";
  EXPECT_EQ(localizer_.GetLanguages(nullptr, true), 4);
}

std::vector<std::uint8_t> Record(std::u16string_view path, std::u16string_view value) {
  std::vector<std::uint8_t> record;
  for (std::u16string_view text : {path, value}) {
    const std::vector<std::uint8_t> wide = Wide(text);
    const auto length = static_cast<std::uint32_t>(wide.size());
    for (int shift = 0; shift < 32; shift += 8) {
      record.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    record.insert(record.end(), wide.begin(), wide.end());
  }
  return record;
}

TEST_F(LocalizerTest, LoadingWithFormsTranslatesEveryOpenWindowInOrder) {
  test::OptionsWindow first;
  test::OptionsWindow second;
  test::OptionsWindow third;
  std::vector<std::uint8_t> table = Record(u"frm_optionen.Caption", u"Options");
  WriteLanguage("client.0009.wlx", {{platform::kResourceTypeRcData, u"TFRM_OPTIONEN", table}});
  localizer_.SetOpenWindows([&](const LanguageFileLocalizer::WindowVisitor& visit) {
    visit(first.window);
    visit(second.window);
  });

  localizer_.TranslateComponent(&third.window);
  EXPECT_EQ(third.window.texts["Caption"], "Optionen") << "no language loaded";
  ASSERT_TRUE(localizer_.LoadLanguage(9, true));
  EXPECT_EQ(first.window.texts["Caption"], "Options");
  EXPECT_EQ(second.window.texts["Caption"], "Options");
  EXPECT_EQ(third.window.texts["Caption"], "Optionen") << "not open";
  localizer_.TranslateComponent(&third.window);
  EXPECT_EQ(third.window.texts["Caption"], "Options");
  EXPECT_NO_THROW(localizer_.TranslateComponent(nullptr));

  // A failing record stops the first window and leaves the windows after it untranslated.
  const std::vector<std::uint8_t> failing = Record(u"lv_programs.Columns<9>.Caption", u"x");
  table.insert(table.end(), failing.begin(), failing.end());
  WriteLanguage("client.0007.wlx", {{platform::kResourceTypeRcData, u"TFRM_OPTIONEN", table}});
  test::OptionsWindow fourth;
  test::OptionsWindow fifth;
  localizer_.SetOpenWindows([&](const LanguageFileLocalizer::WindowVisitor& visit) {
    visit(fourth.window);
    visit(fifth.window);
  });
  EXPECT_THROW(localizer_.LoadLanguage(7, true), Error);
  EXPECT_TRUE(localizer_.IsLanguageLoaded()) << "the language stays loaded";
  EXPECT_EQ(fourth.window.texts["Caption"], "Options");
  EXPECT_EQ(fifth.window.texts["Caption"], "Optionen");
}

TEST_F(LocalizerTest, TheCodePageIsTheLanguagesOrElseTheSystems) {
  for (auto [lcid, code_page] :
       {std::pair{0x0407, 1252}, {0x0405, 1250}, {0x0419, 1251}, {0x0411, 932}, {0x0439, 0}}) {
    WriteMarkedLanguage(Format("client.%04X.wlx", lcid), u"x");
    ASSERT_TRUE(localizer_.LoadLanguage(lcid, false));
    EXPECT_EQ(localizer_.GetLanguageCodePage(), code_page) << lcid;
  }
  localizer_.UnloadLanguage();
  EXPECT_EQ(localizer_.GetLanguageCodePage(), 65001) << "no language: the system's, UTF-8";
}

}  // namespace
}  // namespace lintrove
