#include "localization/window_translation.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "base/error.h"
#include "base/text.h"
#include "plain_components.h"
#include "platform/pe/pe_resource_writer.h"

namespace lintrove {
namespace {

using test::OptionsWindow;

std::vector<std::uint8_t> Table(const std::vector<std::pair<std::string, std::string>>& records) {
  std::vector<std::uint8_t> table;
  for (const auto& [path, value] : records) {
    for (const std::string& text : {path, value}) {
      const std::vector<std::uint8_t> wide = Utf8ToUtf16Le(text);
      const auto length = static_cast<std::uint32_t>(wide.size());
      for (int shift = 0; shift < 32; shift += 8)
        table.push_back(static_cast<std::uint8_t>(length >> shift));
      table.insert(table.end(), wide.begin(), wide.end());
    }
  }
  return table;
}

platform::PeResources Module(std::vector<platform::ResourceToWrite> tables) {
  return platform::PeResources::Parse(platform::WriteResourceModule(std::move(tables)));
}

platform::ResourceToWrite Resource(std::u16string name, std::vector<std::uint8_t> data) {
  return {platform::kResourceTypeRcData, std::move(name), std::move(data)};
}

TEST(WindowTranslationTest, PathElementsHaveANameAndAnOptionalIndex) {
  using Kind = PathElement::Kind;
  struct Case {
    std::string_view text;
    std::string name;
    Kind kind;
    int index;
  };
  const Case cases[] = {
      {"Caption", "Caption", Kind::Plain, 0},        {"Columns<1>", "Columns", Kind::Angled, 1},
      {"Lines(2)", "Lines", Kind::Parenthesized, 2}, {"Lines(x)", "Lines", Kind::Parenthesized, -1},
      {"Items<>", "Items", Kind::Angled, -1},        {"Items<3", "Items", Kind::Angled, -1},
      {"A(1)<2>", "A(1)", Kind::Angled, 2},          {"", "", Kind::Plain, 0},
  };
  for (const Case& test_case : cases) {
    const PathElement element = ParsePathElement(test_case.text);
    EXPECT_EQ(element.name, test_case.name) << test_case.text;
    EXPECT_EQ(element.kind, test_case.kind) << test_case.text;
    EXPECT_EQ(element.index, test_case.index) << test_case.text;
  }
}

TEST(WindowTranslationTest, RecordsReachTheWindowItsComponentsAndTheirParts) {
  OptionsWindow options;
  const auto module =
      Module({Resource(u"TFRM_OPTIONEN", Table({
                                             {"frm_optionen.Caption", "Options"},
                                             {"cb_ssl.caption", "Use SSL"},
                                             {"LV_PROGRAMS.Columns<1>.Caption", "Version (en)"},
                                             {"memo.Lines(1).Text", "second"},
                                         }))});
  TranslateComponent(module, options.window);
  EXPECT_EQ(options.window.texts["Caption"], "Options");
  EXPECT_EQ(options.check_box.texts["Caption"], "Use SSL");
  EXPECT_EQ(options.second_column.texts["Caption"], "Version (en)");
  EXPECT_EQ(options.first_column.texts["Caption"], "Name");
  EXPECT_EQ(options.lines.lines, (std::vector<std::string>{"erste", "second"}));
}

TEST(WindowTranslationTest, TheWindowsOwnNameMatchesInAnyCase) {
  OptionsWindow options;
  TranslateProperty(options.window, "FRM_OPTIONEN.Caption", "Options");
  EXPECT_EQ(options.window.texts["Caption"], "Options");
}

TEST(WindowTranslationTest, RecordsThatNameNothingTranslatableChangeNothing) {
  OptionsWindow options;
  const OptionsWindow untouched;
  for (std::string_view path : {"frm_optionen.Width", "frm_optionen", "unknown.Caption",
                                "cb_ssl.Name", "cb_ssl.Unknown", "frm_optionen.Caption.Length",
                                "lv_programs.Nothing.Caption", "lv_programs.Columns<2>.Caption",
                                "frm_optionen..Caption", "memo.Lines(5).Text", "memo.Lines(1)"}) {
    EXPECT_NO_THROW(TranslateProperty(options.window, path, "changed")) << path;
  }
  EXPECT_EQ(options.window.texts, untouched.window.texts);
  EXPECT_EQ(options.window.numbers, untouched.window.numbers);
  EXPECT_EQ(options.check_box.read_only, untouched.check_box.read_only);
  EXPECT_EQ(options.first_column.texts, untouched.first_column.texts);
  EXPECT_EQ(options.second_column.texts, untouched.second_column.texts);
  EXPECT_EQ(options.lines.lines, untouched.lines.lines);
}

TEST(WindowTranslationTest, AVeryLongPathIsFollowedToItsEnd) {
  // The language file decides how long a path is; one that passes through an object holding
  // itself can be as deep as the file is large.
  constexpr int kElements = 200000;
  OptionsWindow options;
  options.window.objects["Self"] = &options.window;
  std::string through_self = "frm_optionen.";
  for (int i = 0; i < kElements; ++i) through_self += "Self.";
  TranslateProperty(options.window, through_self + "Caption", "Options");
  EXPECT_EQ(options.window.texts["Caption"], "Options");
  TranslateProperty(options.window, "frm_optionen." + std::string(kElements, '.') + "Caption",
                    "changed");
  EXPECT_EQ(options.window.texts["Caption"], "Options");
}

TEST(WindowTranslationTest, AFailingRecordEndsTheWindowWithTheTranslationErrorNamingIt) {
  struct Case {
    std::string path;
    std::string inner;
  };
  const Case cases[] = {
      {"lv_programs.Columns<2>.Caption", ""},  // index beyond the collection's items
      {"lv_programs.Columns<-1>.Caption", "Listenindex überschreitet das Maximum (-1)"},
      {"lv_programs.Columns<7>.Caption", "Listenindex überschreitet das Maximum (7)"},
      {"memo.Lines<0>.Text", "'Lines' ist keine Collection."},
      {"memo.Lines(x).Text", "Listenindex überschreitet das Maximum (-1)"},
      {"cb_ssl.Caption", "value refused"},
  };
  for (const Case& test_case : cases) {
    OptionsWindow options;
    const std::string value = test_case.path == "cb_ssl.Caption" ? "refused" : "Neu";
    const auto module = Module({Resource(u"TFRM_OPTIONEN", Table({
                                                               {"frm_optionen.Caption", "Options"},
                                                               {test_case.path, value},
                                                               {"cb_ssl.Caption", "never applied"},
                                                           }))});
    if (test_case.inner.empty()) {
      // Item 2 exists but holds nothing: the record is skipped.
      EXPECT_NO_THROW(TranslateComponent(module, options.window));
      continue;
    }
    try {
      TranslateComponent(module, options.window);
      ADD_FAILURE() << test_case.path << " did not fail";
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), "Error while translating \"" + test_case.path +
                                  "\" and setting value \"" + value + "\".\r\nError Message:\r\n" +
                                  test_case.inner);
    }
    EXPECT_EQ(options.window.texts["Caption"], "Options") << "records before it stay";
    EXPECT_EQ(options.check_box.texts["Caption"], "SSL verwenden") << "records after it do not";
  }
}

TEST(WindowTranslationTest, AncestorTablesApplyFirstAndTheWindowsOwnRecordsWin) {
  OptionsWindow options;
  const auto module = Module({
      Resource(u"TFORM",
               Table({{"frm_optionen.Caption", "from TForm"}, {"cb_ssl.Caption", "from TForm"}})),
      Resource(u"TFRM_OPTIONEN", Table({{"frm_optionen.Caption", "from Tfrm_optionen"}})),
      Resource(u"TCHECKBOX", Table({{"frm_optionen.Caption", "a component's table"}})),
  });
  TranslateComponent(module, options.window);
  EXPECT_EQ(options.window.texts["Caption"], "from Tfrm_optionen");
  EXPECT_EQ(options.check_box.texts["Caption"], "from TForm");
  EXPECT_EQ(CollectClassResources(module, options.window).size(),
            module.FindRcData("TFORM")->size() + module.FindRcData("TFRM_OPTIONEN")->size());
}

TEST(WindowTranslationTest, ARecordRunningPastTheEndOfTheTableIsAnErrorNotAnOverread) {
  const std::vector<std::uint8_t> good = Table({{"frm_optionen.Caption", "Options"}});
  struct Case {
    std::string_view name;
    std::vector<std::uint8_t> tail;
  };
  const Case cases[] = {
      {"length cut short", {0x10, 0x00}},
      {"path longer than the rest", {0x40, 0x00, 0x00, 0x00, 'a', 0}},
      {"negative length", {0xFE, 0xFF, 0xFF, 0xFF}},
      {"value missing", {0x02, 0x00, 0x00, 0x00, 'a', 0}},
      {"huge value length", {0x02, 0x00, 0x00, 0x00, 'a', 0, 0xFF, 0xFF, 0xFF, 0x7F, 'b', 0}},
  };
  for (const Case& test_case : cases) {
    OptionsWindow options;
    std::vector<std::uint8_t> table = good;
    table.insert(table.end(), test_case.tail.begin(), test_case.tail.end());
    const auto module = Module({Resource(u"TFRM_OPTIONEN", table)});
    try {
      TranslateComponent(module, options.window);
      ADD_FAILURE() << test_case.name << " did not fail";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find("Übersetzungstabelle"), std::string::npos)
          << test_case.name << ": " << error.what();
    }
    EXPECT_EQ(options.window.texts["Caption"], "Options") << test_case.name;
  }
}

TEST(WindowTranslationTest, ReadWideStringTakesHalfTheLengthInCharacters) {
  const std::vector<std::uint8_t> data = {5, 0, 0, 0, 'O', 0, 'K', 0, '!'};
  std::size_t position = 0;
  EXPECT_EQ(ReadWideString(data, position), "OK");
  EXPECT_EQ(position, data.size());
  EXPECT_FALSE(ReadWideString(data, position)) << "nothing left";
}

}  // namespace
}  // namespace lintrove
