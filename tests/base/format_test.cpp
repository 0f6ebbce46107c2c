#include "base/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/error.h"

namespace lintrove {
namespace {

TEST(FormatTest, FillsTheProgramsMessageTexts) {
  EXPECT_EQ(Format("Ungültiger Datentyp für '%s'", "bol_ssl"), "Ungültiger Datentyp für 'bol_ssl'");
  EXPECT_EQ(Format("Listenindex überschreitet das Maximum (%d)", 7),
            "Listenindex überschreitet das Maximum (7)");
  EXPECT_EQ(Format("%u.%u.%u %u %s", 10u, 0u, 19045u, 2u, std::string("Service Pack 1")),
            "10.0.19045 2 Service Pack 1");
  EXPECT_EQ(Format("Error while translating \"%s\" and setting value \"%s\".\r\nError "
                   "Message:\r\n%s",
                   std::string_view("frm_optionen.Caption"), "Optionen", "Index -1"),
            "Error while translating \"frm_optionen.Caption\" and setting value "
            "\"Optionen\".\r\nError Message:\r\nIndex -1");
  EXPECT_EQ(Format("%d von %d", std::size_t{3}, std::int64_t{12}), "3 von 12");
}

TEST(FormatTest, TextIsCopiedVerbatim) {
  // A percent sign inside an argument is data, not a conversion.
  EXPECT_EQ(Format("[%s]", "100% %d"), "[100% %d]");
  EXPECT_EQ(Format("%%s %s%%", "x"), "%s x%");
  EXPECT_EQ(Format("ohne Angaben"), "ohne Angaben");
  EXPECT_EQ(Format("%s|%s", "", static_cast<const char*>(nullptr)), "|");
  const std::string with_nul("a\0b", 3);
  EXPECT_EQ(Format("<%s>", with_nul), std::string("<a\0b>", 5));
  // A string_view that is not terminated must end where its size says.
  EXPECT_EQ(Format("%s!", std::string_view("abcdef").substr(1, 3)), "bcd!");
}

TEST(FormatTest, IntegersAtTheEdgesOfTheirTypes) {
  EXPECT_EQ(Format("%d", std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(Format("%d", std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(Format("%d", std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
  EXPECT_EQ(Format("%u", std::int32_t{-1}), "4294967295");
  EXPECT_EQ(Format("%u", std::int64_t{-1}), "18446744073709551615");
  EXPECT_EQ(Format("%x", std::int32_t{-1}), "ffffffff");
  EXPECT_EQ(Format("%X", std::int16_t{-2}), "FFFE");
  EXPECT_EQ(Format("%u", std::uint8_t{200}), "200");
  EXPECT_EQ(Format("%x|%X|%d|%u", 0, 0, 0, 0), "0|0|0|0");
  EXPECT_EQ(Format("%x %X", 0xBEEF, 0xBEEFu), "beef BEEF");
}

TEST(FormatTest, WidthAndZeroPadding) {
  EXPECT_EQ(Format("%08X", 0xBEEFu), "0000BEEF");
  EXPECT_EQ(Format("%08x", std::uint64_t{0x1234567890}), "1234567890");
  EXPECT_EQ(Format("[%5d]", -42), "[  -42]");
  EXPECT_EQ(Format("[%05d]", -42), "[-0042]");
  EXPECT_EQ(Format("[%2d]", 12345), "[12345]");
  EXPECT_EQ(Format("%04d-%02d-%02d", 2026, 12, 9), "2026-12-09");
  // A text's width counts characters, not the bytes of their UTF-8 form; zeros never pad it.
  EXPECT_EQ(Format("[%6s]", "für"), "[   für]");
  EXPECT_EQ(Format("[%06s]", "ab"), "[    ab]");
}

TEST(FormatTest, ExtraArgumentsAreIgnored) { EXPECT_EQ(Format("%s", "eins", "zwei", 3), "eins"); }

TEST(FormatTest, BadPatternsThrowAnErrorNamingThePattern) {
  struct Case {
    std::string pattern;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"Wert %q", "unknown conversion \"%q\" at position 6"},
      {"Wert %5", "incomplete conversion at the end"},
      {"Wert %", "incomplete conversion at the end"},
      {"Wert %0", "incomplete conversion at the end"},
      {"%d und %s und %s", "missing argument 3"},
      {"%d %d", "argument 2 is a text, not a number"},
      {"%s %s", "argument 1 is a number, not a text"},
      {"%99999999999999999999999d", "field width too large"},
      {"%-5s", "unknown conversion \"%-\" at position 1"},
      {"%.2f", "unknown conversion \"%.\" at position 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    try {
      Format(c.pattern, 1, "zwei");
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Format \"" + c.pattern + "\" invalid: " + c.reason);
    }
  }
}

TEST(FormatTest, AWideFieldIsStillAllowed) {
  EXPECT_EQ(Format("%1024d", 7).size(), 1024u);
  EXPECT_THROW(Format("%1025d", 7), Error);
}

}  // namespace
}  // namespace lintrove
