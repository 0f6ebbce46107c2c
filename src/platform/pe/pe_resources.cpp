#include "platform/pe/pe_resources.h"

#include <fstream>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "platform/pe/icon_group.h"
#include "platform/unicode.h"

namespace lintrove::platform {
namespace {

// Larger files are not resource modules anyone ships; refusing them bounds the memory a hostile
// file can make the reader take.
constexpr std::uintmax_t kMaxFileSize = 256u << 20;

}  // namespace

std::u16string UpperCaseResourceName(std::string_view name) {
  std::u16string upper;
  for (char16_t c : Utf8ToUtf16(name)) upper.push_back(static_cast<char16_t>(UpperCaseOf(c)));
  return upper;
}

PeResources::PeResources(std::vector<std::uint8_t> image) : image_(std::move(image)) {}

PeResources PeResources::Load(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) {
    throw Error(Format(LoadResString(ResString::CannotReadFile), path.string(), error.message()));
  }
  std::vector<std::uint8_t> image;
  if (size <= kMaxFileSize) {
    image.resize(static_cast<std::size_t>(size));
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(size))) {
      throw Error(Format(LoadResString(ResString::CannotReadFile), path.string(),
                         std::string_view("read")));
    }
  }
  try {
    if (size > kMaxFileSize)
      throw Error(Format(LoadResString(ResString::NotAResourceModule), std::string_view("size")));
    return Parse(std::move(image));
  } catch (const Error& parse_error) {
    // The reader's messages name the structure; the file's name tells the user which file.
    throw Error(path.string() + ": " + parse_error.what());
  }
}

PeResources PeResources::Parse(std::vector<std::uint8_t> image) {
  PeResources resources(std::move(image));
  MemoryByteSource source(resources.image_);
  resources.table_ = ReadResourceTable(source);
  return resources;
}

std::optional<std::span<const std::uint8_t>> PeResources::Find(std::uint16_t type,
                                                               const ResourceName& name) const {
  const ResourceLocation* location = FindResource(table_, type, name);
  if (!location) return std::nullopt;
  return std::span<const std::uint8_t>(image_).subspan(static_cast<std::size_t>(location->offset),
                                                       location->size);
}

std::optional<std::span<const std::uint8_t>> PeResources::FindRcData(std::uint16_t id) const {
  return Find(kResourceTypeRcData, id);
}

std::optional<std::span<const std::uint8_t>> PeResources::FindRcData(std::string_view name) const {
  return Find(kResourceTypeRcData, UpperCaseResourceName(name));
}

std::vector<PeResources::Entry> PeResources::Resources(std::uint16_t type) const {
  std::vector<Entry> entries;
  auto found = table_.find(type);
  if (found == table_.end()) return entries;
  for (const ResourceLocation& location : found->second) {
    entries.push_back(
        {location.name, std::span<const std::uint8_t>(image_).subspan(
                            static_cast<std::size_t>(location.offset), location.size)});
  }
  return entries;
}

std::size_t PeResources::IconGroupCount() const { return platform::IconGroupCount(table_); }

std::optional<std::vector<std::uint8_t>> PeResources::IconFile(int index) const {
  MemoryByteSource source(image_);
  return IconFileFromGroups(table_, source, index);
}

}  // namespace lintrove::platform
