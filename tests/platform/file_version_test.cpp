#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/pe/pe_resource_writer.h"
#include "platform/system_info.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

constexpr std::uint16_t kVersionResourceType = 16;

void Append16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Append16(out, static_cast<std::uint16_t>(value));
  Append16(out, static_cast<std::uint16_t>(value >> 16));
}

// A version resource as the resource compiler writes it, with the fixed part only: header, the
// key "VS_VERSION_INFO" padded to four bytes, then the fixed file information.
std::vector<std::uint8_t> VersionInfo(std::uint32_t signature, std::uint32_t mostSignificant,
                                      std::uint32_t leastSignificant) {
  std::vector<std::uint8_t> info;
  Append16(info, 0);   // length, set below
  Append16(info, 52);  // the fixed part's size
  Append16(info, 0);   // binary
  for (char c : std::string("VS_VERSION_INFO")) Append16(info, static_cast<std::uint8_t>(c));
  Append16(info, 0);
  Append16(info, 0);  // padding
  Append32(info, signature);
  Append32(info, 0x00010000);  // structure version
  Append32(info, mostSignificant);
  Append32(info, leastSignificant);
  Append32(info, mostSignificant);  // product version
  Append32(info, leastSignificant);
  for (int rest = 0; rest < 7; ++rest) Append32(info, 0);
  info[0] = static_cast<std::uint8_t>(info.size());
  return info;
}

std::string WriteModule(const test::TempDir& dir, std::string_view name,
                        std::vector<ResourceToWrite> resources) {
  const auto image = WriteResourceModule(std::move(resources));
  const auto path = dir / name;
  test::WriteFileBytes(path, std::string(image.begin(), image.end()));
  return path.string();
}

TEST(FileVersionTest, ComesFromTheVersionResourceOfAnyExecutable) {
  test::TempDir dir;
  const std::string versioned = WriteModule(
      dir, "versioned.dll",
      {{kVersionResourceType, std::uint16_t{1}, VersionInfo(0xFEEF04BD, 0x00020003, 0x00040005)}});
  const std::optional<FileVersion> version = ExecutableFileVersion(versioned);
  ASSERT_TRUE(version);
  EXPECT_EQ(version->mostSignificant, 0x00020003u);
  EXPECT_EQ(version->leastSignificant, 0x00040005u);

  const std::string unversioned = WriteModule(
      dir, "unversioned.dll", {{10, std::uint16_t{1}, std::vector<std::uint8_t>{1, 2, 3}}});
  const std::string badSignature = WriteModule(
      dir, "bad-signature.dll",
      {{kVersionResourceType, std::uint16_t{1}, VersionInfo(0x12345678, 0x00020003, 0)}});
  test::WriteFileBytes(dir / "text.txt", "no executable");
  for (const std::string& path :
       {unversioned, badSignature, (dir / "text.txt").string(), (dir / "missing.dll").string()}) {
    EXPECT_FALSE(ExecutableFileVersion(path)) << path;
  }
}

}  // namespace
}  // namespace lintrove::platform
