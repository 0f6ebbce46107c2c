#include "platform/pe/pe_resources.h"

#include <algorithm>
#include <fstream>
#include <limits>

#include "base/error.h"
#include "base/format.h"
#include "base/text.h"
#include "base/resource_strings.h"
#include "platform/unicode.h"

namespace lintrove::platform {
namespace {

// Larger files are not resource modules anyone ships; refusing them bounds the memory a hostile
// file can make the reader take.
constexpr std::uintmax_t kMaxFileSize = 256u << 20;

constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;
constexpr std::size_t kResourceDirectoryIndex = 2;

[[noreturn]] void Fail(std::string_view part) {
  throw Error(Format(LoadResString(ResString::NotAResourceModule), part));
}

// Bounds-checked little-endian reads; `part` names the structure for the error message.
class ImageReader {
 public:
  explicit ImageReader(std::span<const std::uint8_t> image) : image_(image) {}

  bool Fits(std::uint64_t offset, std::uint64_t size) const {
    return offset <= image_.size() && size <= image_.size() - offset;
  }
  std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t size,
                                      std::string_view part) const {
    if (!Fits(offset, size)) Fail(part);
    return image_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
  }
  std::uint16_t U16(std::uint64_t offset, std::string_view part) const {
    auto bytes = Bytes(offset, 2, part);
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  }
  std::uint32_t U32(std::uint64_t offset, std::string_view part) const {
    auto bytes = Bytes(offset, 4, part);
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  }

 private:
  std::span<const std::uint8_t> image_;
};

struct Section {
  std::uint32_t virtual_address;
  std::uint32_t raw_size;
  std::uint32_t raw_offset;
};

// The section headers and the resource directory's place, as the PE headers give them.
struct Layout {
  std::vector<Section> sections;
  std::uint32_t resource_rva = 0;
};

Layout ReadLayout(const ImageReader& reader) {
  if (reader.U16(0, "DOS header") != 0x5A4D) Fail("DOS header");
  const std::uint64_t pe = reader.U32(0x3C, "DOS header");
  if (reader.U32(pe, "PE signature") != 0x00004550) Fail("PE signature");
  const std::uint64_t coff = pe + 4;
  const std::uint16_t section_count = reader.U16(coff + 2, "COFF header");
  const std::uint16_t optional_size = reader.U16(coff + 16, "COFF header");
  const std::uint64_t optional = coff + 20;
  reader.Bytes(optional, optional_size, "optional header");

  std::uint64_t count_offset = 0;
  switch (reader.U16(optional, "optional header")) {
    case kPe32Magic:
      count_offset = 92;
      break;
    case kPe32PlusMagic:
      count_offset = 108;
      break;
    default:
      Fail("optional header");
  }
  Layout layout;
  if (optional_size >= count_offset + 4) {
    const std::uint32_t directory_count = reader.U32(optional + count_offset, "optional header");
    const std::uint64_t entry = count_offset + 4 + kResourceDirectoryIndex * 8;
    if (directory_count > kResourceDirectoryIndex && optional_size >= entry + 8) {
      layout.resource_rva = reader.U32(optional + entry, "data directory");
    }
  }

  const std::uint64_t table = optional + optional_size;
  reader.Bytes(table, std::uint64_t{section_count} * 40, "section table");
  for (std::uint16_t index = 0; index < section_count; ++index) {
    const std::uint64_t header = table + std::uint64_t{index} * 40;
    layout.sections.push_back({reader.U32(header + 12, "section table"),
                               reader.U32(header + 16, "section table"),
                               reader.U32(header + 20, "section table")});
  }
  return layout;
}

// Walks the three levels of the resource directory (type, name, language) inside the section
// that holds it. Offsets in the directory count from its start and must stay in that section.
class ResourceDirectoryWalker {
 public:
  ResourceDirectoryWalker(const ImageReader& reader, const Layout& layout)
      : reader_(reader), layout_(layout) {
    const Section* section = SectionOf(layout.resource_rva, 1);
    if (!section) Fail("resource directory");
    base_ = section->raw_offset + (layout.resource_rva - section->virtual_address);
    end_ = std::uint64_t{section->raw_offset} + section->raw_size;
    // Directories may share subdirectories; counting every entry visited keeps a file whose
    // entries all point at one large directory from multiplying the work.
    budget_ = (end_ - base_) / 8;
  }

  std::map<std::uint16_t, std::vector<PeResources::Entry>> ReadTypes() {
    std::map<std::uint16_t, std::vector<PeResources::Entry>> types;
    for (const DirectoryEntry& type : ReadDirectory(0)) {
      // Types named by text are no standard type and no reader asks for them.
      if (!type.subdirectory || !std::holds_alternative<std::uint16_t>(type.name)) continue;
      std::vector<PeResources::Entry>& entries = types[std::get<std::uint16_t>(type.name)];
      for (const DirectoryEntry& name : ReadDirectory(type.offset)) {
        if (!name.subdirectory) continue;
        for (const DirectoryEntry& language : ReadDirectory(name.offset)) {
          if (language.subdirectory) continue;
          entries.push_back({name.name, DataOf(language.offset)});
          break;
        }
      }
    }
    return types;
  }

 private:
  struct DirectoryEntry {
    ResourceName name;
    bool subdirectory;
    std::uint32_t offset;
  };

  const Section* SectionOf(std::uint64_t rva, std::uint64_t size) const {
    for (const Section& section : layout_.sections) {
      if (rva >= section.virtual_address &&
          rva + size <= std::uint64_t{section.virtual_address} + section.raw_size &&
          reader_.Fits(section.raw_offset, section.raw_size)) {
        return &section;
      }
    }
    return nullptr;
  }

  std::uint64_t InDirectory(std::uint64_t relative, std::uint64_t size,
                            std::string_view part) const {
    const std::uint64_t offset = base_ + relative;
    if (offset > end_ || size > end_ - offset) Fail(part);
    return offset;
  }

  std::vector<DirectoryEntry> ReadDirectory(std::uint32_t relative) {
    const std::uint64_t offset = InDirectory(relative, 16, "resource directory");
    const std::uint32_t count = std::uint32_t{reader_.U16(offset + 12, "resource directory")} +
                                reader_.U16(offset + 14, "resource directory");
    if (count > budget_) Fail("resource directory");
    budget_ -= count;
    const std::uint64_t entries =
        InDirectory(relative + 16, std::uint64_t{count} * 8, "resource directory");
    std::vector<DirectoryEntry> result;
    result.reserve(count);
    for (std::uint32_t index = 0; index < count; ++index) {
      const std::uint32_t name = reader_.U32(entries + index * 8, "resource directory");
      const std::uint32_t target = reader_.U32(entries + index * 8 + 4, "resource directory");
      result.push_back(
          {NameOf(name), (target & kSubdirectoryFlag) != 0, target & ~kSubdirectoryFlag});
    }
    return result;
  }

  ResourceName NameOf(std::uint32_t name) const {
    if ((name & kSubdirectoryFlag) == 0) return static_cast<std::uint16_t>(name);
    const std::uint64_t offset = InDirectory(name & ~kSubdirectoryFlag, 2, "resource name");
    const std::uint16_t length = reader_.U16(offset, "resource name");
    auto bytes = reader_.Bytes(
        InDirectory((name & ~kSubdirectoryFlag) + 2, std::uint64_t{length} * 2, "resource name"),
        std::uint64_t{length} * 2, "resource name");
    std::u16string text(length, u'\0');
    for (std::size_t index = 0; index < length; ++index) {
      text[index] = static_cast<char16_t>(bytes[index * 2] | bytes[index * 2 + 1] << 8);
    }
    return text;
  }

  std::span<const std::uint8_t> DataOf(std::uint32_t relative) const {
    const std::uint64_t entry = InDirectory(relative, 16, "resource data entry");
    const std::uint32_t rva = reader_.U32(entry, "resource data entry");
    const std::uint32_t size = reader_.U32(entry + 4, "resource data entry");
    if (size == 0) return {};
    const Section* section = SectionOf(rva, size);
    if (!section) Fail("resource data");
    return reader_.Bytes(std::uint64_t{section->raw_offset} + (rva - section->virtual_address),
                         size, "resource data");
  }

  const ImageReader& reader_;
  const Layout& layout_;
  std::uint64_t base_ = 0;
  std::uint64_t end_ = 0;
  std::uint64_t budget_ = 0;
};

void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  AppendU16(out, static_cast<std::uint16_t>(value));
  AppendU16(out, static_cast<std::uint16_t>(value >> 16));
}

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
    if (size > kMaxFileSize) Fail("size");
    return Parse(std::move(image));
  } catch (const Error& parse_error) {
    // The reader's messages name the structure; the file's name tells the user which file.
    throw Error(path.string() + ": " + parse_error.what());
  }
}

PeResources PeResources::Parse(std::vector<std::uint8_t> image) {
  PeResources resources(std::move(image));
  const ImageReader reader(resources.image_);
  const Layout layout = ReadLayout(reader);
  if (layout.resource_rva != 0) {
    resources.types_ = ResourceDirectoryWalker(reader, layout).ReadTypes();
  }
  return resources;
}

std::optional<std::span<const std::uint8_t>> PeResources::Find(std::uint16_t type,
                                                               const ResourceName& name) const {
  auto found_type = types_.find(type);
  if (found_type == types_.end()) return std::nullopt;
  for (const Entry& entry : found_type->second) {
    if (entry.name == name) return entry.data;
  }
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> PeResources::FindRcData(std::uint16_t id) const {
  return Find(kResourceTypeRcData, id);
}

std::optional<std::span<const std::uint8_t>> PeResources::FindRcData(std::string_view name) const {
  return Find(kResourceTypeRcData, UpperCaseResourceName(name));
}

std::vector<PeResources::Entry> PeResources::Resources(std::uint16_t type) const {
  auto found = types_.find(type);
  return found == types_.end() ? std::vector<Entry>() : found->second;
}

std::size_t PeResources::IconGroupCount() const {
  auto found = types_.find(kResourceTypeGroupIcon);
  return found == types_.end() ? 0 : found->second.size();
}

std::optional<std::vector<std::uint8_t>> PeResources::IconFile(int index) const {
  auto groups = types_.find(kResourceTypeGroupIcon);
  if (groups == types_.end()) return std::nullopt;
  if (index >= 0) {
    if (static_cast<std::size_t>(index) >= groups->second.size()) return std::nullopt;
    return GroupAsIco(groups->second[static_cast<std::size_t>(index)].data);
  }
  const std::int64_t number = -std::int64_t{index};
  if (number > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
  auto group = Find(kResourceTypeGroupIcon, static_cast<std::uint16_t>(number));
  return group ? GroupAsIco(*group) : std::nullopt;
}

// A group entry is an .ico directory entry whose last field is the image's resource number
// instead of its offset in the file.
std::optional<std::vector<std::uint8_t>> PeResources::GroupAsIco(
    std::span<const std::uint8_t> group) const {
  constexpr std::size_t kGroupEntrySize = 14;
  constexpr std::size_t kIcoEntrySize = 16;
  if (group.size() < 6) return std::nullopt;
  const std::size_t declared = group[4] | group[5] << 8;
  const std::size_t count = std::min(declared, (group.size() - 6) / kGroupEntrySize);

  struct Image {
    std::span<const std::uint8_t> entry;
    std::span<const std::uint8_t> data;
  };
  std::vector<Image> images;
  std::size_t total = 0;
  for (std::size_t index = 0; index < count; ++index) {
    auto entry = group.subspan(6 + index * kGroupEntrySize, kGroupEntrySize);
    const std::uint16_t id = static_cast<std::uint16_t>(entry[12] | entry[13] << 8);
    if (auto data = Find(kResourceTypeIcon, id); data && !data->empty()) {
      // A group naming one large image many times would make the icon file outgrow the module.
      total += data->size();
      if (total > image_.size()) return std::nullopt;
      images.push_back({entry, *data});
    }
  }
  if (images.empty()) return std::nullopt;

  std::vector<std::uint8_t> ico;
  AppendU16(ico, 0);
  AppendU16(ico, 1);
  AppendU16(ico, static_cast<std::uint16_t>(images.size()));
  std::size_t offset = 6 + images.size() * kIcoEntrySize;
  for (const Image& image : images) {
    ico.insert(ico.end(), image.entry.begin(), image.entry.begin() + 8);
    AppendU32(ico, static_cast<std::uint32_t>(image.data.size()));
    AppendU32(ico, static_cast<std::uint32_t>(offset));
    offset += image.data.size();
  }
  for (const Image& image : images) ico.insert(ico.end(), image.data.begin(), image.data.end());
  return ico;
}

}  // namespace lintrove::platform
