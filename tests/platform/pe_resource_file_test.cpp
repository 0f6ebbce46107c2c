#include "platform/pe/pe_resource_file.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "platform/pe/pe_resource_writer.h"
#include "platform/pe/pe_resources.h"
#include "platform/pe_icon_files.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

// Counts what a reader takes from a file.
class CountingSource final : public ByteSource {
 public:
  explicit CountingSource(const std::filesystem::path& path, std::uint64_t& bytes_read)
      : file_(path), bytes_read_(bytes_read) {}
  std::uint64_t Size() const override { return file_.Size(); }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    bytes_read_ += out.size();
    file_.ReadAt(offset, out);
  }

 private:
  FileByteSource file_;
  std::uint64_t& bytes_read_;
};

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  test::WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

TEST(PeResourceFileTest, TheWritersIconGroupsReadBackAsTheIconFilesTheyWereMadeOf) {
  const auto first = test::Ico({"FIRST-16", "FIRST-32-LONGER"});
  const auto second = test::Ico({"SECOND"});
  const auto image = test::ModuleWithIcons({{std::uint16_t{154}, second}, {u"MAINICON", first}});

  test::TempDir dir;
  WriteFile(dir / "app.exe", image);
  PeResourceFile file = PeResourceFile::Open(dir / "app.exe");
  const PeResources whole = PeResources::Parse(image);
  ASSERT_EQ(file.IconGroupCount(), 2u);
  EXPECT_EQ(file.IconFile(0), first) << "named groups come first";
  EXPECT_EQ(file.IconFile(1), second);
  EXPECT_EQ(file.IconFile(-154), second);
  for (int index = -200; index < 4; ++index) {
    EXPECT_EQ(file.IconFile(index), whole.IconFile(index)) << index;
  }
  EXPECT_THROW(IconGroupResources(std::uint16_t{1}, std::vector<std::uint8_t>{'M', 'Z'}, 1), Error);
}

TEST(PeResourceFileTest, AnIconOfABigFileReadsTheDirectoryAndTheIconOnly) {
  // The icon images come first in the section, the group last, and between them a resource as
  // large as a bundled installer, which reading the icon must pass over.
  constexpr std::size_t kPayloadSize = 32u << 20;
  const auto ico = test::Ico({"IMAGE-16", "IMAGE-32"});
  test::TempDir dir;
  WriteFile(dir / "big.exe",
            test::ModuleWithIcons({{std::uint16_t{1}, ico}},
                                  {{kResourceTypeRcData, std::uint16_t{1},
                                    std::vector<std::uint8_t>(kPayloadSize, 0xCC)}}));

  std::uint64_t bytes_read = 0;
  PeResourceFile file(std::make_unique<CountingSource>(dir / "big.exe", bytes_read));
  EXPECT_EQ(file.IconFile(0), ico);
  EXPECT_LT(bytes_read, 64u << 10) << "of a file of " << kPayloadSize << " bytes";
}

TEST(PeResourceFileTest, TheVersionOfABigFileReadsTheDirectoryAndTheVersionOnly) {
  constexpr std::size_t kPayloadSize = 32u << 20;
  const std::vector<std::uint8_t> version(92, 0xAB);
  test::TempDir dir;
  WriteFile(dir / "big.exe",
            test::ModuleWithIcons({}, {{kResourceTypeRcData, std::uint16_t{1},
                                        std::vector<std::uint8_t>(kPayloadSize, 0xCC)},
                                       {kResourceTypeVersion, std::uint16_t{1}, version}}));
  WriteFile(dir / "unversioned.exe", test::ModuleWithIcons({{std::uint16_t{1}, test::Ico({"I"})}}));

  std::uint64_t bytes_read = 0;
  PeResourceFile file(std::make_unique<CountingSource>(dir / "big.exe", bytes_read));
  EXPECT_EQ(file.VersionResource(), version);
  EXPECT_LT(bytes_read, 64u << 10) << "of a file of " << kPayloadSize << " bytes";
  EXPECT_EQ(PeResourceFile::Open(dir / "unversioned.exe").VersionResource(), std::nullopt);
}

TEST(PeResourceFileTest, AFileCutShortAfterOpeningGivesAnErrorNotACrash) {
  test::TempDir dir;
  WriteFile(dir / "app.exe", test::ModuleWithIcons({{std::uint16_t{1}, test::Ico({"IMAGE"})}},
                                                   {{kResourceTypeRcData, std::uint16_t{1},
                                                     std::vector<std::uint8_t>(1u << 20)}}));
  PeResourceFile file = PeResourceFile::Open(dir / "app.exe");
  // An update of the program replaces it while its icon is shown.
  std::filesystem::resize_file(dir / "app.exe", 0x400);
  EXPECT_THROW(file.IconFile(0), Error);
}

TEST(PeResourceFileTest, OpeningNamesTheFileThatIsMissingOrNoProgram) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "notes.txt", "MZ but nothing else");
  for (const char* name : {"missing.exe", "notes.txt"}) {
    try {
      PeResourceFile::Open(dir / name);
      FAIL() << name << " opened";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace lintrove::platform
