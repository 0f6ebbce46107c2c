#include "platform/guid.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace lintrove::platform {
namespace {

TEST(GuidTest, TextIsTheRegistryFormInByteOrder) {
  const GuidBytes guid{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                       0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
  EXPECT_EQ(GuidText(guid), "{01234567-89AB-CDEF-FEDC-BA9876543210}");
}

// Version 4 and the RFC 4122 variant, and no two alike.
TEST(GuidTest, NewGuidsAreRandomVersionFourGuids) {
  const std::regex pattern(
      R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})");
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) {
    const std::string text = GuidText(NewGuid());
    ASSERT_EQ(text.size(), 38u);
    ASSERT_TRUE(std::regex_match(text, pattern)) << text;
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
}  // namespace lintrove::platform
