#include "flows/version_list_order.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

namespace lintrove {
namespace {

using ::testing::ElementsAreArray;

void Offer(VersionList& versions, std::string name, std::array<std::int32_t, 5> parts) {
  auto version = std::make_unique<OfferedVersion>();
  version->str_versionsname = std::move(name);
  version->int_version_1 = parts[0];
  version->int_version_2 = parts[1];
  version->int_version_3 = parts[2];
  version->int_version_4 = parts[3];
  version->int_version_5 = parts[4];
  versions.Add(std::move(version));
}

std::vector<std::string> Names(const std::vector<const OfferedVersion*>& versions) {
  std::vector<std::string> names;
  for (const OfferedVersion* version : versions) names.push_back(version->str_versionsname);
  return names;
}

TEST(VersionListOrderTest, OldestFirstByTheFiveNumbersAsSignedIntegers) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::array<std::int32_t, 5>>> answer;
    std::vector<std::string> expected;
  } cases[] = {
      {"numbers, not names",
       {{"2.0.0.0", {2, 0, 0, 0, 0}}, {"1.10.0.0", {1, 10, 0, 0, 0}}, {"1.9.0.0", {1, 9, 0, 0, 0}}},
       {"1.9.0.0", "1.10.0.0", "2.0.0.0"}},
      {"the fifth part decides last",
       {{"b", {1, 2, 3, 4, 6}}, {"a", {1, 2, 3, 4, 5}}, {"c", {1, 2, 3, 5, 0}}},
       {"a", "b", "c"}},
      // A negative part is below zero, not a large unsigned number.
      {"signed",
       {{"zero", {0, 0, 0, 0, 0}},
        {"minus", {-1, 0, 0, 0, 0}},
        {"max", {2147483647, 0, 0, 0, 0}},
        {"min", {-2147483647 - 1, 0, 0, 0, 0}}},
       {"min", "minus", "zero", "max"}},
      {"equal numbers keep the answer's order",
       {{"1.0 beta", {1, 0, 0, 0, 0}},
        {"0.9", {0, 9, 0, 0, 0}},
        {"1.0", {1, 0, 0, 0, 0}},
        {"1.0 final", {1, 0, 0, 0, 0}}},
       {"0.9", "1.0 beta", "1.0", "1.0 final"}},
      {"none", {}, {}},
  };
  for (const auto& c : cases) {
    VersionList versions;
    for (const auto& [name, parts] : c.answer) Offer(versions, name, parts);
    const std::vector<const OfferedVersion*> ordered = VersionsInListOrder(versions);
    EXPECT_THAT(Names(ordered), ElementsAreArray(c.expected)) << c.name;
    // The list refers to the answer's own versions.
    for (const OfferedVersion* version : ordered) {
      bool owned = false;
      for (int i = 0; i < versions.Count(); ++i) owned = owned || &versions.Items(i) == version;
      EXPECT_TRUE(owned) << c.name;
    }
  }
}

}  // namespace
}  // namespace lintrove
