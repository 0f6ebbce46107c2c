#include "platform/pe/pe_resource_writer.h"

#include <algorithm>
#include <string>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"

namespace lintrove::platform {
namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kPeOffset = 0x40;
constexpr std::uint16_t kOptionalHeaderSize = 224;
constexpr std::uint32_t kHeadersSize = kFileAlignment;

std::uint32_t AlignUp(std::size_t value, std::uint32_t alignment) {
  return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void U8(std::size_t offset, std::uint8_t value) { Grow(offset + 1)[offset] = value; }
  void U16(std::size_t offset, std::uint16_t value) {
    U8(offset, static_cast<std::uint8_t>(value));
    U8(offset + 1, static_cast<std::uint8_t>(value >> 8));
  }
  void U32(std::size_t offset, std::uint32_t value) {
    U16(offset, static_cast<std::uint16_t>(value));
    U16(offset + 2, static_cast<std::uint16_t>(value >> 16));
  }
  void Bytes(std::size_t offset, const std::vector<std::uint8_t>& bytes) {
    Grow(offset + bytes.size());
    std::ranges::copy(bytes, out_.begin() + static_cast<std::ptrdiff_t>(offset));
  }

 private:
  std::vector<std::uint8_t>& Grow(std::size_t size) {
    if (out_.size() < size) out_.resize(size);
    return out_;
  }
  std::vector<std::uint8_t>& out_;
};

// The file's order within a directory: named entries first, in ascending order, then numbers.
bool NameBefore(const ResourceName& a, const ResourceName& b) {
  if (a.index() != b.index()) return a.index() > b.index();
  return a < b;
}

std::string NameText(const ResourceName& name) {
  if (const auto* number = std::get_if<std::uint16_t>(&name)) return std::to_string(*number);
  return Utf16ToUtf8(std::get<std::u16string>(name));
}

// The .rsrc section: the directory tree (type, name, one neutral language), the data entries,
// the name strings and the data, in that order. Offsets count from the section's start.
std::vector<std::uint8_t> BuildResourceSection(const std::vector<ResourceToWrite>& resources) {
  struct TypeGroup {
    std::uint16_t type;
    std::vector<const ResourceToWrite*> members;
  };
  std::vector<TypeGroup> groups;
  for (const ResourceToWrite& resource : resources) {
    if (groups.empty() || groups.back().type != resource.type)
      groups.push_back({resource.type, {}});
    groups.back().members.push_back(&resource);
  }

  const std::size_t count = resources.size();
  const std::size_t root_size = 16 + groups.size() * 8;
  std::size_t type_directories_size = 0;
  for (const TypeGroup& group : groups) type_directories_size += 16 + group.members.size() * 8;
  const std::size_t language_directories = root_size + type_directories_size;
  const std::size_t data_entries = language_directories + count * 24;
  std::size_t strings = data_entries + count * 16;
  std::size_t data = strings;
  for (const ResourceToWrite& resource : resources) {
    if (const auto* name = std::get_if<std::u16string>(&resource.name))
      data += 2 + name->size() * 2;
  }
  data = AlignUp(data, 8);

  std::vector<std::uint8_t> section;
  ByteWriter out(section);
  auto directory_header = [&](std::size_t offset, std::size_t named, std::size_t numbered) {
    out.U32(offset, 0);
    out.U16(offset + 12, static_cast<std::uint16_t>(named));
    out.U16(offset + 14, static_cast<std::uint16_t>(numbered));
  };
  auto name_field = [&](const ResourceName& name) -> std::uint32_t {
    if (const auto* number = std::get_if<std::uint16_t>(&name)) return *number;
    const auto& text = std::get<std::u16string>(name);
    const std::size_t at = strings;
    out.U16(at, static_cast<std::uint16_t>(text.size()));
    for (std::size_t index = 0; index < text.size(); ++index)
      out.U16(at + 2 + index * 2, text[index]);
    strings += 2 + text.size() * 2;
    return 0x80000000u | static_cast<std::uint32_t>(at);
  };

  directory_header(0, 0, groups.size());
  std::size_t type_directory = root_size;
  std::size_t resource_index = 0;
  for (std::size_t group_index = 0; group_index < groups.size(); ++group_index) {
    const TypeGroup& group = groups[group_index];
    out.U32(16 + group_index * 8, group.type);
    out.U32(16 + group_index * 8 + 4, 0x80000000u | static_cast<std::uint32_t>(type_directory));
    const auto named = std::ranges::count_if(group.members, [](const ResourceToWrite* member) {
      return std::holds_alternative<std::u16string>(member->name);
    });
    directory_header(type_directory, static_cast<std::size_t>(named),
                     group.members.size() - static_cast<std::size_t>(named));
    for (std::size_t member = 0; member < group.members.size(); ++member, ++resource_index) {
      const ResourceToWrite& resource = *group.members[member];
      const std::size_t language_directory = language_directories + resource_index * 24;
      const std::size_t entry = data_entries + resource_index * 16;
      out.U32(type_directory + 16 + member * 8, name_field(resource.name));
      out.U32(type_directory + 16 + member * 8 + 4,
              0x80000000u | static_cast<std::uint32_t>(language_directory));
      directory_header(language_directory, 0, 1);
      out.U32(language_directory + 16, 0);  // the neutral language
      out.U32(language_directory + 20, static_cast<std::uint32_t>(entry));
      out.U32(entry, static_cast<std::uint32_t>(kSectionRva + data));
      out.U32(entry + 4, static_cast<std::uint32_t>(resource.data.size()));
      out.Bytes(data, resource.data);
      data = AlignUp(data + resource.data.size(), 8);
    }
    type_directory += 16 + group.members.size() * 8;
  }
  section.resize(std::max(section.size(), data));
  return section;
}

void WriteHeaders(ByteWriter& out, std::size_t section_size) {
  const std::uint32_t raw_size = AlignUp(section_size, kFileAlignment);
  const std::uint32_t image_size = kSectionRva + AlignUp(section_size, kSectionAlignment);

  out.U16(0, 0x5A4D);  // "MZ"
  out.U32(0x3C, kPeOffset);
  out.U32(kPeOffset, 0x00004550);  // "PE\0\0"

  const std::size_t coff = kPeOffset + 4;
  out.U16(coff, 0x014C);  // i386
  out.U16(coff + 2, 1);
  out.U16(coff + 16, kOptionalHeaderSize);
  out.U16(coff + 18, 0x2102);  // an executable image, 32-bit, a DLL

  const std::size_t optional = coff + 20;
  out.U16(optional, 0x10B);
  out.U32(optional + 8, raw_size);  // initialised data
  out.U32(optional + 24, kSectionRva);
  out.U32(optional + 28, 0x10000000);  // image base
  out.U32(optional + 32, kSectionAlignment);
  out.U32(optional + 36, kFileAlignment);
  out.U16(optional + 40, 4);  // operating system version
  out.U16(optional + 48, 4);  // subsystem version
  out.U32(optional + 56, image_size);
  out.U32(optional + 60, kHeadersSize);
  out.U16(optional + 68, 2);  // Windows GUI
  out.U32(optional + 72, 0x100000);
  out.U32(optional + 76, 0x1000);
  out.U32(optional + 80, 0x100000);
  out.U32(optional + 84, 0x1000);
  out.U32(optional + 92, 16);
  out.U32(optional + 96 + 2 * 8, kSectionRva);
  out.U32(optional + 96 + 2 * 8 + 4, static_cast<std::uint32_t>(section_size));

  const std::size_t header = optional + kOptionalHeaderSize;
  out.Bytes(header, {'.', 'r', 's', 'r', 'c', 0, 0, 0});
  out.U32(header + 8, static_cast<std::uint32_t>(section_size));
  out.U32(header + 12, kSectionRva);
  out.U32(header + 16, raw_size);
  out.U32(header + 20, kHeadersSize);
  out.U32(header + 36, 0x40000040);  // initialised data, readable
}

}  // namespace

std::vector<std::uint8_t> WriteResourceModule(std::vector<ResourceToWrite> resources) {
  std::ranges::stable_sort(resources, [](const ResourceToWrite& a, const ResourceToWrite& b) {
    if (a.type != b.type) return a.type < b.type;
    return NameBefore(a.name, b.name);
  });
  auto duplicate =
      std::ranges::adjacent_find(resources, [](const ResourceToWrite& a, const ResourceToWrite& b) {
        return a.type == b.type && a.name == b.name;
      });
  if (duplicate != resources.end()) {
    throw Error(Format(LoadResString(ResString::DuplicateResource), NameText(duplicate->name)));
  }

  std::vector<std::uint8_t> section = BuildResourceSection(resources);
  std::vector<std::uint8_t> image;
  ByteWriter out(image);
  WriteHeaders(out, section.size());
  out.Bytes(kHeadersSize, section);
  image.resize(kHeadersSize + AlignUp(section.size(), kFileAlignment));
  return image;
}

std::vector<ResourceToWrite> IconGroupResources(const ResourceName& name,
                                                std::span<const std::uint8_t> ico,
                                                std::uint16_t first_image_id) {
  constexpr std::size_t kHeaderSize = 6;
  constexpr std::size_t kEntrySize = 16;
  auto u16 = [&](std::size_t offset) {
    return static_cast<std::uint16_t>(ico[offset] | ico[offset + 1] << 8);
  };
  auto u32 = [&](std::size_t offset) {
    return static_cast<std::uint32_t>(u16(offset) | std::uint32_t{u16(offset + 2)} << 16);
  };
  const auto not_an_icon = [] {
    return Error(Format(LoadResString(ResString::NotAResourceModule), std::string_view("icon")));
  };
  if (ico.size() < kHeaderSize || u16(0) != 0 || u16(2) != 1) throw not_an_icon();
  const std::size_t count = u16(4);
  if (ico.size() < kHeaderSize + count * kEntrySize) throw not_an_icon();

  std::vector<ResourceToWrite> resources;
  std::vector<std::uint8_t> group(ico.begin(), ico.begin() + kHeaderSize);
  for (std::size_t index = 0; index < count; ++index) {
    const std::size_t entry = kHeaderSize + index * kEntrySize;
    const std::size_t size = u32(entry + 8);
    const std::size_t offset = u32(entry + 12);
    if (offset > ico.size() || size > ico.size() - offset) throw not_an_icon();
    const auto id = static_cast<std::uint16_t>(first_image_id + index);
    // A group entry is the .ico entry with the image's number in place of its offset.
    group.insert(group.end(), ico.begin() + static_cast<std::ptrdiff_t>(entry),
                 ico.begin() + static_cast<std::ptrdiff_t>(entry + 12));
    group.push_back(static_cast<std::uint8_t>(id));
    group.push_back(static_cast<std::uint8_t>(id >> 8));
    resources.push_back({kResourceTypeIcon,
                         id,
                         {ico.begin() + static_cast<std::ptrdiff_t>(offset),
                          ico.begin() + static_cast<std::ptrdiff_t>(offset + size)}});
  }
  resources.push_back({kResourceTypeGroupIcon, name, std::move(group)});
  return resources;
}

}  // namespace lintrove::platform
