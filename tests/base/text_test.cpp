#include "base/text.h"

#include <gtest/gtest.h>

namespace lintrove {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

struct RoundTripCase {
  std::string utf8;
  std::u16string utf16;
};

TEST(TextTest, ConvertsWellFormedTextBothWays) {
  const std::vector<RoundTripCase> cases = {
      {"", u""},
      {"plain ASCII longer than one eight-byte block",
       u"plain ASCII longer than one eight-byte block"},
      {"Gr\u00fc\u00dfe", u"Gr\u00fc\u00dfe"},
      // Non-ASCII right after a full ASCII block and at the very end.
      {"abcdefgh\u20ac", u"abcdefgh\u20ac"},
      {"abcdefghijklmno\u00e9", u"abcdefghijklmno\u00e9"},
      {"\u65e5\u672c\u8a9e", u"\u65e5\u672c\u8a9e"},
      {"x\U0001F600y", u"x\U0001F600y"},  // a surrogate pair
      {std::string("nul\0inside", 10), std::u16string(u"nul\0inside", 10)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
    const auto le = Utf8ToUtf16Le(c.utf8);
    ASSERT_EQ(le.size(), 2 * c.utf16.size()) << c.utf8;
    for (std::size_t i = 0; i < c.utf16.size(); ++i) {
      EXPECT_EQ(le[2 * i] | le[2 * i + 1] << 8, c.utf16[i]) << c.utf8 << " unit " << i;
    }
    EXPECT_EQ(Utf16LeToUtf8(le), c.utf8);
  }
}

TEST(TextTest, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart) {
  const struct {
    std::string input;
    std::u16string expected;
  } cases[] = {
      {"\x80", u"\uFFFD"},
      {"a\xC3", u"a\uFFFD"},          // truncated at the end
      {"\xE2\x82z", u"\uFFFDz"},      // truncated before ASCII: one replacement
      {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong lead
      {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"\xF0\x9F\x98!", u"\uFFFD!"},
      {"12345678\xFF", u"12345678\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.input), c.expected);
    EXPECT_FALSE(IsValidUtf8(c.input));
  }
}

TEST(TextTest, LoneSurrogatesBecomeReplacement) {
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800"), "a\uFFFD");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00z"), "\uFFFDz");
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D\x0041"), "\uFFFDA");
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xD83D\xDE00"), "\uFFFD\U0001F600");
}

TEST(TextTest, Utf16LeIgnoresAnOddTrailingByte) {
  EXPECT_EQ(Utf16LeToUtf8(Bytes(std::string("A\0\xE9\0\x41", 5))), "A\u00e9");
}

TEST(TextTest, AppendingKeepsWhatIsInTheBuffer) {
  std::string text = "vor ";
  AppendUtf16LeToUtf8(Bytes(std::string("\xFC\0", 2)), text);
  EXPECT_EQ(text, "vor \u00fc");
  std::vector<std::uint8_t> le = {1, 2};
  AppendUtf8ToUtf16Le("\u20ac", le);
  EXPECT_EQ(le, (std::vector<std::uint8_t>{1, 2, 0xAC, 0x20}));
}

TEST(TextTest, IsValidUtf8AcceptsEveryWellFormedForm) {
  for (const std::string text : {"", "ASCII only, longer than eight", "\u00e9", "\u20ac",
                                 "\U0010FFFF", "\uFFFD", "\xEF\xBB\xBF"}) {
    EXPECT_TRUE(IsValidUtf8(text)) << text;
  }
}

TEST(TextTest, Windows1252CoversTheWholeCodePage) {
  EXPECT_EQ(Windows1252ToUtf8("plain"), "plain");
  const struct {
    char byte;
    std::string utf8;
  } cases[] = {
      {'\x80', "\u20ac"}, {'\x82', "\u201a"}, {'\x8A', "\u0160"}, {'\x8C', "\u0152"},
      {'\x93', "\u201c"}, {'\x96', "\u2013"}, {'\x99', "\u2122"}, {'\x9F', "\u0178"},
      {'\x81', "\u0081"}, {'\x9D', "\u009d"},  // undefined in the code page
      {'\xA0', "\u00a0"}, {'\xE9', "\u00e9"}, {'\xFF', "\u00ff"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Windows1252ToUtf8(std::string(1, c.byte)), c.utf8)
        << std::hex << int(static_cast<unsigned char>(c.byte));
  }
  // Every byte becomes exactly one character.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToUtf16(Windows1252ToUtf8(all)).size(), 256u);
}

TEST(TextTest, TrimRemovesControlCharactersAndBlanksAtBothEnds) {
  const struct {
    std::string input;
    std::string expected;
  } cases[] = {
      {"", ""},
      {" \t\r\n", ""},
      {std::string("\0\x01 a b\x1F ", 8), "a b"},
      {" \u00e9 ", "\u00e9"},
      {"!x!", "!x!"},  // 33 is kept
  };
  for (const auto& c : cases) EXPECT_EQ(Trim(c.input), c.expected);
}

TEST(TextTest, EqualsIgnoringAsciiCase) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("HKEY_Local_machine", "hkey_local_MACHINE"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("HKLM", "HKLM "));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));  // 0x5B and 0x7B differ by 32 too
}

}  // namespace
}  // namespace lintrove
