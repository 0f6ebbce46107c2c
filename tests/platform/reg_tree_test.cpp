#include "platform/regfile/reg_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>

#include "platform/registry_types.h"

namespace lintrove::platform {
namespace {

std::vector<std::string> SubkeyNames(const RegKey& key) {
  std::vector<std::string> names;
  for (const auto& subkey : key.Subkeys()) names.push_back(subkey->Name());
  return names;
}

std::vector<std::string> ValueNames(const RegKey& key) {
  std::vector<std::string> names;
  for (const auto& value : key.Values()) names.push_back(value.name);
  return names;
}

std::vector<std::uint8_t> Data(std::initializer_list<std::uint8_t> bytes) { return bytes; }

TEST(RegTreeTest, NameKeyFoldsToUpperCase) {
  const struct {
    std::string name;
    std::string key;
  } cases[] = {
      {"Software\\Classes", "SOFTWARE\\CLASSES"},
      {"stra\u00dfe", "STRA\u00dfE"},  // no single-character upper case: kept
      {"\u00e4pfel", "\u00c4PFEL"},    // two UTF-8 bytes, same length
      {"\u0131", "\u0131"},            // dotless i: "I" is the capital of "i", so it stays
      {"\u00b5", "\u00b5"},            // micro sign: likewise, "\u039c" belongs to "\u03bc"
      {"\u03bc", "\u039c"},
      {"\u0250", "\u2c6f"},    // a capital longer in UTF-8
      {"caf\xE9", "CAF\xE9"},  // not UTF-8: the byte stands for itself
      {"_x", "_X"},
  };
  for (const auto& c : cases) EXPECT_EQ(RegistryNameKey(c.name), c.key) << c.name;
}

TEST(RegTreeTest, SubkeysEnumerateInUpperCaseOrderAndKeepTheirCase) {
  RegKey root("HKEY_LOCAL_MACHINE");
  for (const char* name : {"zeta", "_Private", "Beta", "\u00c4rger", "alpha", "Alpha2", "a"}) {
    root.AddSubkey(name);
  }
  // Upper case puts "_" (0x5F) after the letters, as Windows enumerates.
  EXPECT_EQ(SubkeyNames(root), (std::vector<std::string>{"a", "alpha", "Alpha2", "Beta", "zeta",
                                                         "_Private", "\u00c4rger"}));
}

TEST(RegTreeTest, SubkeysAreFoundWithoutRegardToCase) {
  RegKey root("HKEY_CURRENT_USER");
  RegKey& software = root.AddSubkey("Software");
  software.AddSubkey("\u00e4pfel");
  EXPECT_EQ(&root.AddSubkey("SOFTWARE"), &software);
  EXPECT_EQ(root.Subkeys().size(), 1u);
  EXPECT_EQ(software.Name(), "Software");
  EXPECT_EQ(root.FindSubkey("sOfTwArE"), &software);
  ASSERT_NE(software.FindSubkey("\u00c4PFEL"), nullptr);
  EXPECT_EQ(software.FindSubkey("\u00c4PFEL")->Name(), "\u00e4pfel");
  EXPECT_EQ(root.FindSubkey("Softwar"), nullptr);
}

TEST(RegTreeTest, RemoveSubkeyTakesTheWholeSubtree) {
  RegKey root("HKEY_CURRENT_USER");
  root.AddSubkey("A").AddSubkey("B").SetValue("v", RegType::Dword, Data({1, 0, 0, 0}));
  root.AddSubkey("C");
  EXPECT_FALSE(root.RemoveSubkey("B"));
  EXPECT_TRUE(root.RemoveSubkey("a"));
  EXPECT_EQ(SubkeyNames(root), std::vector<std::string>{"C"});
  EXPECT_EQ(root.AddSubkey("A").Subkeys().size(), 0u);
}

TEST(RegTreeTest, ValuesKeepInsertionOrderAndReplaceInPlace) {
  RegKey key("Run");
  key.SetValue("Zulu", RegType::Sz, Data({'z', 0, 0, 0}));
  key.SetValue("", RegType::Sz, Data({0, 0}));
  key.SetValue("alpha", RegType::Dword, Data({1, 0, 0, 0}));
  key.SetValue("ZULU", RegType::Binary, Data({9}));
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"Zulu", "", "alpha"}));
  const RegValue* zulu = key.FindValue("zulu");
  ASSERT_NE(zulu, nullptr);
  EXPECT_EQ(zulu->name, "Zulu");
  EXPECT_EQ(zulu->type, RegType::Binary);
  EXPECT_EQ(zulu->data, Data({9}));
  EXPECT_EQ(key.FindValue("")->type, RegType::Sz);
  EXPECT_EQ(key.FindValue("alph"), nullptr);

  EXPECT_TRUE(key.RemoveValue("ALPHA"));
  EXPECT_FALSE(key.RemoveValue("alpha"));
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"Zulu", ""}));
}

TEST(RegTreeTest, NonAsciiValueNamesMatchWithoutRegardToCase) {
  RegKey key("K");
  key.SetValue("Gr\u00f6\u00dfe", RegType::Dword, Data({1, 0, 0, 0}));
  key.SetValue("GR\u00d6\u00dfE", RegType::Dword, Data({2, 0, 0, 0}));
  ASSERT_EQ(key.Values().size(), 1u);
  EXPECT_EQ(key.Values()[0].name, "Gr\u00f6\u00dfe");
  EXPECT_EQ(key.Values()[0].data, Data({2, 0, 0, 0}));
}

// A key with thousands of values (like SharedDLLs) finds its values through an index; the index
// has to follow replacements and removals.
TEST(RegTreeTest, ManyValuesStayFindableThroughReplaceAndRemove) {
  RegKey key("SharedDLLs");
  const int count = 3000;
  const auto name = [](int i) { return "C:\\Windows\\System32\\lib" + std::to_string(i) + ".dll"; };
  for (int i = 0; i < count; ++i) {
    key.SetValue(name(i), RegType::Dword, Data({static_cast<std::uint8_t>(i), 0, 0, 0}));
  }
  key.SetValue("c:\\windows\\system32\\LIB7.DLL", RegType::Dword, Data({0xAA, 0, 0, 0}));
  ASSERT_EQ(key.Values().size(), static_cast<std::size_t>(count));
  EXPECT_EQ(key.Values()[7].name, name(7));
  EXPECT_EQ(key.Values()[7].data, Data({0xAA, 0, 0, 0}));

  EXPECT_TRUE(key.RemoveValue(name(100)));
  EXPECT_EQ(key.FindValue(name(100)), nullptr);
  ASSERT_NE(key.FindValue(name(2999)), nullptr);
  EXPECT_EQ(key.FindValue(name(2999))->name, name(2999));
  EXPECT_EQ(key.Values()[100].name, name(101));
  key.SetValue(name(2999), RegType::Binary, Data({}));
  EXPECT_EQ(key.Values().back().type, RegType::Binary);
  EXPECT_EQ(key.Values().size(), static_cast<std::size_t>(count - 1));

  // Back below the indexed size, lookups still work.
  for (int i = 0; i < count - 5; ++i) key.RemoveValue(name(i));
  EXPECT_EQ(ValueNames(key),
            (std::vector<std::string>{name(2995), name(2996), name(2997), name(2998), name(2999)}));
  EXPECT_NE(key.FindValue(name(2997)), nullptr);
}

// Subkeys arriving out of order at a key with many are kept unsorted until the order is asked
// for; a map of folded names shows what the key must hold at every step.
TEST(RegTreeTest, ManySubkeysInAnyOrderStayFindableAndEnumerateInOrder) {
  RegKey key("CLSID");
  std::map<std::string, std::string> expected;  // folded name to name as first added
  std::mt19937 random(7);
  auto check = [&] {
    ASSERT_EQ(key.Subkeys().size(), expected.size());
    auto it = expected.begin();
    for (const auto& subkey : key.Subkeys()) EXPECT_EQ(subkey->Name(), (it++)->second);
  };
  std::vector<int> numbers(3000);
  for (int i = 0; i < 3000; ++i) numbers[i] = i;
  std::shuffle(numbers.begin(), numbers.end(), random);
  for (std::size_t step = 0; step < numbers.size(); ++step) {
    const std::string name = (step % 2 ? "Key" : "KEY") + std::to_string(numbers[step] % 2000);
    RegKey* before = key.FindSubkey(name);
    RegKey& added = key.AddSubkey(name);
    ASSERT_EQ(before != nullptr, expected.contains(RegistryNameKey(name))) << name;
    if (before) {
      ASSERT_EQ(&added, before) << "a name added twice is one key";
    }
    expected.try_emplace(RegistryNameKey(name), added.Name());
    if (step % 7 == 0) {
      const std::string gone = "key" + std::to_string(random() % 2000);
      EXPECT_EQ(key.RemoveSubkey(gone), expected.erase(RegistryNameKey(gone)) == 1) << gone;
      EXPECT_EQ(key.FindSubkey(gone), nullptr);
    }
    if (step % 500 == 0) check();
  }
  check();
  for (const auto& [folded, name] : expected) {
    ASSERT_NE(key.FindSubkey(folded), nullptr) << folded;
    EXPECT_EQ(key.FindSubkey(folded)->Name(), name);
  }
}

TEST(RegTreeTest, AKeyAMillionLevelsDeepIsFreedWithoutExhaustingTheStack) {
  // In a child process, so that a stack overflow fails this test instead of ending the run.
  EXPECT_EXIT(
      {
        auto root = std::make_unique<RegKey>("HKEY_CURRENT_USER");
        RegKey* key = root.get();
        for (int depth = 0; depth < 1'000'000; ++depth) {
          key = &key->AddSubkey("k");
          if (depth % 1000 == 0) key->AddSubkey("side");
        }
        root.reset();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace lintrove::platform
