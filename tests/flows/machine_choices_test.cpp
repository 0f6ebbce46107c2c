#include "flows/machine_choices.h"

#include <gtest/gtest.h>

namespace lintrove {
namespace {

using Place = FoundWinePrefix::Place;

std::vector<std::pair<std::string, std::string>> Listed(const std::vector<MachineChoice>& choices) {
  std::vector<std::pair<std::string, std::string>> listed;
  for (const MachineChoice& choice : choices) listed.emplace_back(choice.wine_prefix, choice.label);
  return listed;
}

const std::vector<FoundWinePrefix> kFound = {
    {"/home/anna/.wine", Place::Wine, ""},
    {"/home/anna/.local/share/Steam/steamapps/compatdata/570/pfx", Place::Steam, "Dota 2"},
    {"/home/anna/.local/share/bottles/bottles/Office", Place::Bottles, "Office"},
};

TEST(MachineChoicesTest, ThisComputerThenThePrefixesByPlaceAndName) {
  using Row = std::pair<std::string, std::string>;
  const std::vector<Row> expected = {
      {"", "Dieser Computer"},
      {"/home/anna/.wine", "Wine (/home/anna/.wine)"},
      {"/home/anna/.local/share/Steam/steamapps/compatdata/570/pfx",
       "Steam: Dota 2 (/home/anna/.local/share/Steam/steamapps/compatdata/570/pfx)"},
      {"/home/anna/.local/share/bottles/bottles/Office",
       "Bottles: Office (/home/anna/.local/share/bottles/bottles/Office)"},
  };
  EXPECT_EQ(Listed(MachineChoices(kFound, "")), expected);
  // The prefix chosen is among them, however its directory was written.
  EXPECT_EQ(Listed(MachineChoices(kFound, "/home/anna/.wine/")), expected);
  EXPECT_EQ(Listed(MachineChoices({}, "")), (std::vector<Row>{{"", "Dieser Computer"}}));
}

// A prefix chosen before that is no longer found stays a choice, so the options keep it.
TEST(MachineChoicesTest, APrefixChosenButNotFoundStaysListed) {
  const auto choices = MachineChoices(kFound, "/mnt/alt/prefix");
  ASSERT_EQ(choices.size(), 5u);
  EXPECT_EQ(choices.back().wine_prefix, "/mnt/alt/prefix");
  EXPECT_EQ(choices.back().label, "Wine-Präfix /mnt/alt/prefix");
}

TEST(MachineChoicesTest, SamePrefixIgnoresOnlyTheWayTheDirectoryIsWritten) {
  EXPECT_TRUE(SameWinePrefix("/home/anna/.wine", "/home/anna/.wine/"));
  EXPECT_TRUE(SameWinePrefix("/home/anna/.wine", "/home/anna/./.wine"));
  EXPECT_TRUE(SameWinePrefix("", ""));
  EXPECT_FALSE(SameWinePrefix("", "/home/anna/.wine"));
  EXPECT_FALSE(SameWinePrefix("/home/anna/.wine", "/home/anna/.wine2"));
  EXPECT_FALSE(SameWinePrefix("/home/anna/.wine", "/home/Anna/.wine"));
}

}  // namespace
}  // namespace lintrove
