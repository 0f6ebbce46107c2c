#include "language_source.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/resource_strings.h"
#include "support/temp_dir.h"

namespace lintrove::wlx {
namespace {

std::string ReadText(const std::string& path) { return test::ReadFileBytes(path); }

// The conversions of a message pattern in order, such as "%s%d".
std::string Conversions(std::string_view pattern) {
  std::string conversions;
  for (std::size_t at = pattern.find('%'); at != std::string_view::npos;
       at = pattern.find('%', at + 1)) {
    const std::size_t end = pattern.find_first_not_of("0123456789", at + 1);
    if (end == std::string_view::npos) break;
    if (pattern[end] != '%') conversions += pattern.substr(at, end - at + 1);
    at = end;
  }
  return conversions;
}

platform::PeResources Compiled(const LanguageSource& source) {
  return platform::PeResources::Parse(CompileLanguage(source));
}

// What a language file holds, in the canonical form dump prints: messages by number, then
// window tables, texts with every escape.
constexpr std::string_view kCanonical =
    "[messages]\n"
    "65217 = \"Connection failed.\\r\\nThe message is: \\r\\n%s\"\n"
    "65244 = \"Done \\\"now\\\"\\t\\\\ caf\xC3\xA9 \\u0001\"\n"
    "\n"
    "[window TFORM]\n"
    "frm_main.Caption = \"Base\"\n"
    "\n"
    "[window TFRM_OPTIONEN]\n"
    "frm_optionen.Caption = \"Options\"\n"
    "\"lv.Columns<0>.Caption with blank\" = \"\"\n"
    "frm_optionen.Caption = \"Options, again\"\n";

TEST(LanguageSourceTest, DumpOfACompiledSourcePrintsTheSourceAgain) {
  const LanguageSource source = ParseLanguageSource(kCanonical);
  EXPECT_EQ(FormatLanguageSource(source), kCanonical);
  const std::vector<std::uint8_t> compiled = CompileLanguage(source);
  EXPECT_EQ(FormatLanguageSource(DecompileLanguage(platform::PeResources::Parse(compiled))),
            kCanonical);
}

TEST(LanguageSourceTest, CommentsBlanksAndCaseOfClassNamesAreTheWritersOwn) {
  const LanguageSource source = ParseLanguageSource(
      "\xEF\xBB\xBF# English\r\n"
      "\r\n"
      "[messages]   # the program's messages\r\n"
      "  65244=\"Done...\"   # trailing comment\r\n"
      "[window Tfrm_optionen]\r\n"
      "frm_optionen.Caption   =   \"Options\"\r\n");
  EXPECT_EQ(source.messages.at(65244), "Done...");
  const platform::PeResources module = Compiled(source);
  const auto table = module.FindRcData("TFRM_OPTIONEN");
  ASSERT_TRUE(table);
  const std::vector<std::uint8_t> expected = {
      40,  0, 0,   0, 'f', 0, 'r', 0, 'm', 0, '_', 0, 'o', 0, 'p', 0, 't', 0, 'i', 0, 'o', 0,
      'n', 0, 'e', 0, 'n', 0, '.', 0, 'C', 0, 'a', 0, 'p', 0, 't', 0, 'i', 0, 'o', 0, 'n', 0,
      14,  0, 0,   0, 'O', 0, 'p', 0, 't', 0, 'i', 0, 'o', 0, 'n', 0, 's', 0};
  EXPECT_EQ(std::vector<std::uint8_t>(table->begin(), table->end()), expected);
  const auto message = module.FindRcData(65244);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->size(), 14u) << "UTF-16LE without a terminator";
}

TEST(LanguageSourceTest, MistakesNameTheirLine) {
  struct Case {
    std::string_view text;
    std::string_view message;
  };
  const Case cases[] = {
      {"65244 = \"x\"", "line 1: an entry must follow [messages] or [window CLASSNAME]"},
      {"[messages]\n65244 = \"x", "line 2: the text has no closing '\"'"},
      {"[messages]\n\n65244 \"x\"", "line 3: expected '='"},
      {"[messages]\n70000 = \"x\"", "line 2: '70000' is no message number (0 to 65535)"},
      {"[messages]\nabc = \"x\"", "line 2: 'abc' is no message number (0 to 65535)"},
      {"[messages]\n1 = \"x\"\n1 = \"y\"", "line 3: message 1 is translated twice"},
      {"[window]", "line 1: a section is [messages] or [window CLASSNAME]"},
      {"[messages", "line 1: the section has no ']'"},
      {"[messages]\n1 = \"\\q\"", "line 2: unknown escape '\\q'"},
      {"[messages]\n1 = \"\\u12\"", "line 2: \\u needs four hexadecimal digits"},
      {"[messages]\n1 = \"x\" y", "line 2: unexpected text after the closing '\"'"},
      {"[messages]\n1 = x", "line 2: expected '\"'"},
  };
  for (const Case& test_case : cases) {
    try {
      ParseLanguageSource(test_case.text);
      ADD_FAILURE() << test_case.text << " was accepted";
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), test_case.message);
    }
  }
}

TEST(LanguageSourceTest, TheTemplateListsEveryMessageUntranslated) {
  const LanguageSource source = ParseLanguageSource(MessageTemplate());
  std::vector<int> ids;
  for (const auto& [id, text] : source.messages) {
    ids.push_back(id);
    EXPECT_EQ(text, "") << id;
  }
  EXPECT_EQ(ids, BuiltInResStringIds());
  EXPECT_NE(MessageTemplate().find("# \"Fertig...\"\n65244 = \"\"\n"), std::string::npos);
}

TEST(LanguageSourceTest, TheResourceCompilersFileReadsLikeOurs) {
  // Built by tests/fixtures/make_language_fixture.sh with MinGW's windres and ld from
  // language_fixture.rc, which holds the same translations as the source beside it.
  const auto mingw = platform::PeResources::Load(LINTROVE_FIXTURES_DIR "/mingw_language.wlx");
  const LanguageSource source =
      ParseLanguageSource(ReadText(LINTROVE_FIXTURES_DIR "/mingw_language.txt"));
  const platform::PeResources ours = Compiled(source);

  for (const auto& [id, text] : source.messages) {
    const auto theirs = mingw.FindRcData(id);
    const auto mine = ours.FindRcData(id);
    ASSERT_TRUE(theirs && mine) << id;
    EXPECT_EQ(std::vector<std::uint8_t>(theirs->begin(), theirs->end()),
              std::vector<std::uint8_t>(mine->begin(), mine->end()))
        << id;
  }
  for (const LanguageSource::Window& window : source.windows) {
    const auto theirs = mingw.FindRcData(window.class_name);
    const auto mine = ours.FindRcData(window.class_name);
    ASSERT_TRUE(theirs && mine) << window.class_name;
    EXPECT_EQ(std::vector<std::uint8_t>(theirs->begin(), theirs->end()),
              std::vector<std::uint8_t>(mine->begin(), mine->end()))
        << window.class_name;
  }
  EXPECT_EQ(FormatLanguageSource(DecompileLanguage(mingw)), FormatLanguageSource(source));
}

TEST(LanguageSourceTest, TheShippedEnglishTranslatesEveryMessageAndGermanNone) {
  const LanguageSource english =
      ParseLanguageSource(ReadText(LINTROVE_LANGUAGES_DIR "/lintrove.0009.txt"));
  for (int id : BuiltInResStringIds()) {
    auto found = english.messages.find(static_cast<std::uint16_t>(id));
    EXPECT_TRUE(found != english.messages.end() && !found->second.empty())
        << id << " \"" << BuiltInResString(id) << "\" has no English translation";
  }
  for (const auto& [id, text] : english.messages) {
    EXPECT_FALSE(BuiltInResString(id).empty()) << id << " is no message of the program";
    EXPECT_EQ(Conversions(text), Conversions(BuiltInResString(id)))
        << id << ": the program fills in the same values in the same order";
  }
  const LanguageSource german =
      ParseLanguageSource(ReadText(LINTROVE_LANGUAGES_DIR "/lintrove.0007.txt"));
  EXPECT_TRUE(german.messages.empty());
  EXPECT_TRUE(german.windows.empty());
}

}  // namespace
}  // namespace lintrove::wlx
