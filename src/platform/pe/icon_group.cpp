#include "platform/pe/icon_group.h"

#include <algorithm>
#include <limits>

namespace lintrove::platform {
namespace {

constexpr std::size_t kGroupHeaderSize = 6;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kIcoEntrySize = 16;
// Far more than the largest icons anyone ships (256-pixel images in every depth); a limit keeps a
// hostile group from making the reader take the memory of a whole large file.
constexpr std::uint64_t kMaxIconFileSize = 64u << 20;

void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  AppendU16(out, static_cast<std::uint16_t>(value));
  AppendU16(out, static_cast<std::uint16_t>(value >> 16));
}

std::vector<std::uint8_t> Read(ByteSource& source, const ResourceLocation& location) {
  std::vector<std::uint8_t> bytes(location.size);
  source.ReadAt(location.offset, bytes);
  return bytes;
}

const ResourceLocation* SelectGroup(const ResourceTable& table, int index) {
  auto groups = table.find(kResourceTypeGroupIcon);
  if (groups == table.end()) return nullptr;
  if (index >= 0) {
    if (static_cast<std::size_t>(index) >= groups->second.size()) return nullptr;
    return &groups->second[static_cast<std::size_t>(index)];
  }
  const std::int64_t number = -std::int64_t{index};
  if (number > std::numeric_limits<std::uint16_t>::max()) return nullptr;
  return FindResource(table, kResourceTypeGroupIcon, static_cast<std::uint16_t>(number));
}

}  // namespace

std::size_t IconGroupCount(const ResourceTable& table) {
  auto found = table.find(kResourceTypeGroupIcon);
  return found == table.end() ? 0 : found->second.size();
}

// A group entry is an .ico directory entry whose last field is the image's resource number
// instead of its offset in the file.
std::optional<std::vector<std::uint8_t>> IconFileFromGroups(const ResourceTable& table,
                                                            ByteSource& source, int index) {
  const ResourceLocation* group_location = SelectGroup(table, index);
  if (!group_location || group_location->size < kGroupHeaderSize) return std::nullopt;
  const std::vector<std::uint8_t> group = Read(source, *group_location);
  const std::size_t declared = group[4] | group[5] << 8;
  const std::size_t count = std::min(declared, (group.size() - kGroupHeaderSize) / kGroupEntrySize);

  struct Image {
    const std::uint8_t* entry;
    const ResourceLocation* location;
  };
  std::vector<Image> images;
  std::uint64_t total = 0;
  for (std::size_t position = 0; position < count; ++position) {
    const std::uint8_t* entry = group.data() + kGroupHeaderSize + position * kGroupEntrySize;
    const std::uint16_t id = static_cast<std::uint16_t>(entry[12] | entry[13] << 8);
    const ResourceLocation* image = FindResource(table, kResourceTypeIcon, id);
    if (!image || image->size == 0) continue;
    // A group naming one large image many times would make the icon file outgrow the module.
    total += image->size;
    if (total > source.Size() || total > kMaxIconFileSize) return std::nullopt;
    images.push_back({entry, image});
  }
  if (images.empty()) return std::nullopt;

  std::vector<std::uint8_t> ico;
  ico.reserve(kGroupHeaderSize + images.size() * kIcoEntrySize + static_cast<std::size_t>(total));
  AppendU16(ico, 0);
  AppendU16(ico, 1);
  AppendU16(ico, static_cast<std::uint16_t>(images.size()));
  std::uint64_t offset = kGroupHeaderSize + images.size() * kIcoEntrySize;
  for (const Image& image : images) {
    ico.insert(ico.end(), image.entry, image.entry + 8);
    AppendU32(ico, image.location->size);
    AppendU32(ico, static_cast<std::uint32_t>(offset));
    offset += image.location->size;
  }
  for (const Image& image : images) {
    const std::vector<std::uint8_t> data = Read(source, *image.location);
    ico.insert(ico.end(), data.begin(), data.end());
  }
  return ico;
}

}  // namespace lintrove::platform
