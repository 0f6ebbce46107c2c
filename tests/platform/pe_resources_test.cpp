#include "platform/pe/pe_resources.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/error.h"
#include "platform/pe/pe_resource_writer.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string Text(std::optional<std::span<const std::uint8_t>> data) {
  return data ? std::string(data->begin(), data->end()) : "<none>";
}

// An icon group entry: width, height, colours, reserved, planes, bits, size, image number.
std::vector<std::uint8_t> IconGroup(std::initializer_list<std::uint16_t> image_ids) {
  std::vector<std::uint8_t> group = {0, 0, 1, 0, static_cast<std::uint8_t>(image_ids.size()), 0};
  for (std::uint16_t id : image_ids) {
    std::vector<std::uint8_t> entry = {16,
                                       16,
                                       0,
                                       0,
                                       1,
                                       0,
                                       32,
                                       0,
                                       99,
                                       0,
                                       0,
                                       0,
                                       static_cast<std::uint8_t>(id),
                                       static_cast<std::uint8_t>(id >> 8)};
    group.insert(group.end(), entry.begin(), entry.end());
  }
  return group;
}

std::vector<std::uint8_t> SampleModule() {
  return WriteResourceModule({
      {kResourceTypeRcData, std::uint16_t{65217}, Bytes("by number")},
      {kResourceTypeRcData, u"TFRM_OPTIONEN", Bytes("options table")},
      {kResourceTypeRcData, u"TFORM", Bytes("form table")},
      {kResourceTypeRcData, std::uint16_t{7}, {}},
      {kResourceTypeIcon, std::uint16_t{1}, Bytes("IMAGE-ONE")},
      {kResourceTypeIcon, std::uint16_t{2}, Bytes("IMAGE-TWO")},
      {kResourceTypeGroupIcon, std::uint16_t{200}, IconGroup({2})},
      {kResourceTypeGroupIcon, std::uint16_t{100}, IconGroup({1, 2, 9})},
      {kResourceTypeGroupIcon, u"MAINICON", IconGroup({1})},
  });
}

TEST(PeResourcesTest, FindsRcDataByNumberAndByNameInAnyCase) {
  const PeResources module = PeResources::Parse(SampleModule());
  EXPECT_EQ(Text(module.FindRcData(65217)), "by number");
  EXPECT_EQ(Text(module.FindRcData("Tfrm_optionen")), "options table");
  EXPECT_EQ(Text(module.FindRcData("TFRM_OPTIONEN")), "options table");
  EXPECT_EQ(Text(module.FindRcData("tform")), "form table");
  EXPECT_EQ(Text(module.FindRcData(7)), "") << "an empty resource exists";
  EXPECT_FALSE(module.FindRcData(65218));
  EXPECT_FALSE(module.FindRcData("TFRM_MAIN"));
  EXPECT_FALSE(module.FindRcData(1)) << "an icon image is no RCDATA";
}

TEST(PeResourcesTest, ListsAResourceTypeInTheFilesOrder) {
  const PeResources module = PeResources::Parse(SampleModule());
  std::vector<ResourceName> names;
  for (const auto& entry : module.Resources(kResourceTypeRcData)) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<ResourceName>{u"TFORM", u"TFRM_OPTIONEN", std::uint16_t{7},
                                              std::uint16_t{65217}}));
}

TEST(PeResourcesTest, IconIndexIsAPositionOrForNegativeValuesAGroupNumber) {
  const PeResources module = PeResources::Parse(SampleModule());
  ASSERT_EQ(module.IconGroupCount(), 3u);

  // Position 0 is the named group, as named entries come first.
  auto first = module.IconFile(0);
  ASSERT_TRUE(first);
  ASSERT_EQ(first->size(), 6u + 16u + 9u);
  EXPECT_EQ((*first)[4], 1) << "one image";
  EXPECT_EQ(std::string(first->end() - 9, first->end()), "IMAGE-ONE");

  // Group 100 names images 1, 2 and a missing 9: the .ico holds the two that exist, each entry
  // with its real size and offset.
  auto by_number = module.IconFile(-100);
  ASSERT_TRUE(by_number);
  const std::vector<std::uint8_t>& ico = *by_number;
  ASSERT_EQ(ico.size(), 6u + 2 * 16u + 18u);
  EXPECT_EQ(ico[2], 1) << "type icon";
  EXPECT_EQ(ico[4], 2);
  EXPECT_EQ(ico[6 + 8], 9) << "size of the first image";
  EXPECT_EQ(ico[6 + 12], 6 + 32) << "offset of the first image";
  EXPECT_EQ(ico[22 + 12], 6 + 32 + 9) << "offset of the second image";
  EXPECT_EQ(std::string(ico.begin() + 38, ico.end()), "IMAGE-ONEIMAGE-TWO");

  EXPECT_EQ(module.IconFile(1), module.IconFile(-100)) << "groups by number follow, ascending";
  EXPECT_TRUE(module.IconFile(2));
  EXPECT_FALSE(module.IconFile(3));
  EXPECT_FALSE(module.IconFile(-5));
  EXPECT_FALSE(module.IconFile(std::numeric_limits<int>::min()));
}

TEST(PeResourcesTest, AModuleWithoutResourcesHasNone) {
  const PeResources module = PeResources::Parse(WriteResourceModule({}));
  EXPECT_FALSE(module.FindRcData(1));
  EXPECT_EQ(module.IconGroupCount(), 0u);
}

TEST(PeResourcesTest, TheWriterRefusesTwoResourcesOfOneName) {
  EXPECT_THROW(WriteResourceModule({{kResourceTypeRcData, std::uint16_t{5}, Bytes("a")},
                                    {kResourceTypeRcData, std::uint16_t{5}, Bytes("b")}}),
               Error);
}

TEST(PeResourcesTest, LoadsFromAFileAndReportsAMissingOne) {
  test::TempDir dir;
  const std::vector<std::uint8_t> image = SampleModule();
  test::WriteFileBytes(dir / "module.dll", std::string(image.begin(), image.end()));
  EXPECT_EQ(Text(PeResources::Load(dir / "module.dll").FindRcData(65217)), "by number");
  try {
    PeResources::Load(dir / "missing.dll");
    FAIL() << "a missing file loaded";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("missing.dll"), std::string::npos) << error.what();
  }
}

// Offsets of the writer's layout: PE header at 0x40, optional header at 0x58, section table at
// 0x138, resource section at 0x200.
void Put32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    image[offset++] = static_cast<std::uint8_t>(value >> shift);
}

TEST(PeResourcesTest, DamagedFilesGiveAClearErrorAndNeverACrash) {
  struct Case {
    std::string_view name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"empty file", [](auto& image) { image.clear(); }},
      {"text file", [](auto& image) { image = Bytes("[messages]\n65217 = \"x\"\n"); }},
      {"no MZ", [](auto& image) { image[0] = 'X'; }},
      {"PE header beyond the end", [](auto& image) { Put32(image, 0x3C, 0xFFFFFFF0); }},
      {"no PE signature", [](auto& image) { image[0x41] = 'X'; }},
      {"unknown optional header", [](auto& image) { image[0x58] = 0x07; }},
      {"optional header larger than the file",
       [](auto& image) {
         image[0x54] = 0xFF;
         image[0x55] = 0xFF;
       }},
      {"too many sections",
       [](auto& image) {
         image[0x46] = 0xFF;
         image[0x47] = 0xFF;
       }},
      {"resource directory outside every section",
       [](auto& image) { Put32(image, 0x58 + 96 + 16, 0x00800000); }},
      {"section data beyond the end", [](auto& image) { Put32(image, 0x138 + 20, 0x7FFFFFF0); }},
      {"huge entry count",
       [](auto& image) {
         image[0x200 + 14] = 0xFF;
         image[0x200 + 15] = 0xFF;
       }},
      {"subdirectory beyond the section",
       [](auto& image) { Put32(image, 0x200 + 20, 0x80000000u | 0x7FFFFF00u); }},
      {"truncated inside the resources", [](auto& image) { image.resize(0x210); }},
  };
  for (const Case& test_case : cases) {
    std::vector<std::uint8_t> image = SampleModule();
    test_case.damage(image);
    EXPECT_THROW(PeResources::Parse(image), Error) << test_case.name;
  }
}

TEST(PeResourcesTest, EveryTruncationAndEveryByteFlipIsReadOrRefused) {
  const std::vector<std::uint8_t> original = SampleModule();
  for (std::size_t size = 0; size < original.size(); ++size) {
    std::vector<std::uint8_t> image(original.begin(),
                                    original.begin() + static_cast<std::ptrdiff_t>(size));
    try {
      const PeResources module = PeResources::Parse(std::move(image));
      // What is read from a cut file is what the whole file holds, or nothing.
      if (auto data = module.FindRcData(65217)) {
        EXPECT_EQ(Text(data), "by number") << size;
      }
      if (auto icon = module.IconFile(1)) {
        EXPECT_EQ(*icon, *PeResources::Parse(original).IconFile(1)) << size;
      }
    } catch (const Error&) {
    }
  }
  for (std::size_t at = 0; at < 0x400 && at < original.size(); ++at) {
    std::vector<std::uint8_t> image = original;
    image[at] ^= 0xFF;
    try {
      const PeResources module = PeResources::Parse(std::move(image));
      for (const auto& entry : module.Resources(kResourceTypeRcData)) {
        ASSERT_LE(entry.data.size(), original.size()) << "byte " << at;
      }
      for (int index = -300; index < 4; ++index) module.IconFile(index);
    } catch (const Error&) {
    }
  }
}

std::uint32_t Get32(const std::vector<std::uint8_t>& image, std::size_t offset) {
  std::uint32_t value = 0;
  for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{image[offset++]} << shift;
  return value;
}

TEST(PeResourcesTest, ADirectoryLoopAtAnyLevelEndsWithTheResourcesOutsideIt) {
  // The directory's offsets count from its start at 0x200; an entry's target is at 4 past the
  // entry, each directory's entries 16 past the directory. The first type is the icons.
  constexpr std::uint32_t kSubdirectory = 0x80000000u;
  auto first_entry_target = [](std::size_t directory) { return 0x200 + directory + 16 + 4; };
  auto subdirectory_at = [&](const std::vector<std::uint8_t>& image, std::size_t directory) {
    return std::size_t{Get32(image, first_entry_target(directory)) & ~kSubdirectory};
  };
  struct Case {
    std::string_view name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::size_t icons;
    std::size_t rc_data;
  };
  const Case cases[] = {
      // Without a limit on the entries visited, a tree of unbounded size.
      {"every type leads back to the root",
       [&](auto& image) {
         for (std::size_t entry = 0; entry < 3; ++entry) {
           Put32(image, first_entry_target(0) + entry * 8, kSubdirectory);
         }
       },
       0, 0},
      {"an icon's name leads back to the icon directory",
       [&](auto& image) {
         const std::size_t icons = subdirectory_at(image, 0);
         Put32(image, first_entry_target(icons), kSubdirectory | icons);
       },
       1, 4},
      {"an icon's language leads back to the root",
       [&](auto& image) {
         const std::size_t languages = subdirectory_at(image, subdirectory_at(image, 0));
         Put32(image, first_entry_target(languages), kSubdirectory);
       },
       1, 4},
  };
  for (const Case& test_case : cases) {
    std::vector<std::uint8_t> image = SampleModule();
    test_case.damage(image);
    const PeResources module = PeResources::Parse(image);
    EXPECT_EQ(module.Resources(kResourceTypeIcon).size(), test_case.icons) << test_case.name;
    EXPECT_EQ(module.Resources(kResourceTypeRcData).size(), test_case.rc_data) << test_case.name;
  }
}

}  // namespace
}  // namespace lintrove::platform
