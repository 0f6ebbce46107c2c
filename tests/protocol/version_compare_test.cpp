#include "protocol/version_compare.h"

#include <gtest/gtest.h>

#include <string>

namespace lintrove {
namespace {

TEST(VersionCompareTest, ComparesTheFirstFourComponentsAsNumbers) {
  const struct {
    std::string a;
    std::string b;
    int expected;
  } cases[] = {
      {"1.10", "1.9", 1},
      {"1.9", "1.10", -1},
      {"2.0", "2", 0},
      {"2.0.0.0", "2", 0},
      {"1.2.3.4.5", "1.2.3.4.9", 0},
      {"1.2.3b", "1.2.3", 0},
      {"1.2.beta", "1.2.0", 0},
      {"1.2 beta 7", "1.2.0.7", 0},
      {"1.2 beta 7", "1.2.0.8", -1},
      {"", "0.0.0.0", 0},
      {"", "0.0.0.1", -1},
      {"1.4.0.0", "1.4.1.0", -1},
      {"1.4.1.0", "1.4.0.0", 1},
      // Empty components count 0 and still take their place.
      {"1..3", "1.0.3", 0},
      {"1..3", "1.3", -1},
      {".5", "0.5", 0},
      {"1.", "1.0", 0},
      // Blanks and control characters around a full stop separate only once.
      {"  1 . 2\t.\r3", "1.2.3", 0},
      {"1\x01"
       "2",
       "1.2", 0},
      // A quoted component runs to its closing quote, full stops and blanks included.
      {"\"1\".\"2\"", "1.2", 0},
      {"\"1.9\".5", "1.5", 0},
      {"\"2 3\".1", "2.1", 0},
      {"\"7", "7", 0},
      // A number beyond 32 bits is as large as one can be, not a wrapped-around one.
      {"99999999999", "2147483647", 0},
      {"99999999999", "1", 1},
      {"-1", "0", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionComparison::Compare(c.a, c.b), c.expected)
        << '"' << c.a << "\" vs \"" << c.b << '"';
    EXPECT_EQ(VersionComparison::Compare(c.b, c.a), -c.expected)
        << '"' << c.b << "\" vs \"" << c.a << '"';
  }
}

}  // namespace
}  // namespace lintrove
