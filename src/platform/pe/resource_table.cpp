#include "platform/pe/resource_table.h"

#include <algorithm>
#include <array>
#include <limits>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove::platform {
namespace {

constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;
constexpr std::size_t kResourceDirectoryIndex = 2;

[[noreturn]] void Fail(std::string_view part) {
  throw Error(Format(LoadResString(ResString::NotAResourceModule), part));
}

// Bounds-checked little-endian reads; `part` names the structure for the error message. The
// headers and the directory are small structures close to each other, read field by field: a
// few pages kept from the file serve them without a read of the file for each field.
class HeaderReader {
 public:
  explicit HeaderReader(ByteSource& source) : source_(source), size_(source.Size()) {}

  bool Fits(std::uint64_t offset, std::uint64_t size) const {
    return offset <= size_ && size <= size_ - offset;
  }
  void Check(std::uint64_t offset, std::uint64_t size, std::string_view part) const {
    if (!Fits(offset, size)) Fail(part);
  }
  std::vector<std::uint8_t> Bytes(std::uint64_t offset, std::size_t size, std::string_view part) {
    std::vector<std::uint8_t> bytes(size);
    Read(offset, bytes, part);
    return bytes;
  }
  std::uint16_t U16(std::uint64_t offset, std::string_view part) {
    std::array<std::uint8_t, 2> bytes;
    Read(offset, bytes, part);
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  }
  std::uint32_t U32(std::uint64_t offset, std::string_view part) {
    std::array<std::uint8_t, 4> bytes;
    Read(offset, bytes, part);
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  }

 private:
  static constexpr std::uint64_t kPageSize = 4096;
  static constexpr std::size_t kPageCount = 8;
  struct CachedPage {
    std::uint64_t number = std::numeric_limits<std::uint64_t>::max();
    std::vector<std::uint8_t> bytes;
  };

  void Read(std::uint64_t offset, std::span<std::uint8_t> out, std::string_view part) {
    Check(offset, out.size(), part);
    for (std::size_t done = 0; done < out.size();) {
      const std::uint64_t at = offset + done;
      const std::span<const std::uint8_t> page = Page(at / kPageSize);
      const std::size_t in_page = static_cast<std::size_t>(at % kPageSize);
      const std::size_t count = std::min(out.size() - done, page.size() - in_page);
      std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(in_page), count,
                  out.begin() + static_cast<std::ptrdiff_t>(done));
      done += count;
    }
  }

  // A page inside the file, cut short at its end; callers have checked that they stay inside.
  std::span<const std::uint8_t> Page(std::uint64_t number) {
    CachedPage& slot = pages_[number % kPageCount];
    if (slot.number != number) {
      const std::uint64_t start = number * kPageSize;
      slot.number = std::numeric_limits<std::uint64_t>::max();
      slot.bytes.resize(static_cast<std::size_t>(std::min(kPageSize, size_ - start)));
      source_.ReadAt(start, slot.bytes);
      slot.number = number;
    }
    return slot.bytes;
  }

  ByteSource& source_;
  std::uint64_t size_;
  std::array<CachedPage, kPageCount> pages_;
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

Layout ReadLayout(HeaderReader& reader) {
  if (reader.U16(0, "DOS header") != 0x5A4D) Fail("DOS header");
  const std::uint64_t pe = reader.U32(0x3C, "DOS header");
  if (reader.U32(pe, "PE signature") != 0x00004550) Fail("PE signature");
  const std::uint64_t coff = pe + 4;
  const std::uint16_t section_count = reader.U16(coff + 2, "COFF header");
  const std::uint16_t optional_size = reader.U16(coff + 16, "COFF header");
  const std::uint64_t optional = coff + 20;
  reader.Check(optional, optional_size, "optional header");

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
  reader.Check(table, std::uint64_t{section_count} * 40, "section table");
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
  ResourceDirectoryWalker(HeaderReader& reader, const Layout& layout)
      : reader_(reader), layout_(layout) {
    const Section* section = SectionOf(layout.resource_rva, 1);
    if (!section) Fail("resource directory");
    base_ = section->raw_offset + (layout.resource_rva - section->virtual_address);
    end_ = std::uint64_t{section->raw_offset} + section->raw_size;
    // Directories may share subdirectories; counting every entry visited keeps a file whose
    // entries all point at one large directory from multiplying the work.
    budget_ = (end_ - base_) / 8;
  }

  ResourceTable ReadTypes(std::span<const std::uint16_t> wanted) {
    ResourceTable types;
    for (const DirectoryEntry& type : ReadDirectory(0)) {
      // Types named by text are no standard type and no reader asks for them.
      if (!type.subdirectory || !std::holds_alternative<std::uint16_t>(type.name)) continue;
      const std::uint16_t number = std::get<std::uint16_t>(type.name);
      if (!wanted.empty() && std::ranges::find(wanted, number) == wanted.end()) continue;
      std::vector<ResourceLocation>& entries = types[number];
      for (const DirectoryEntry& name : ReadDirectory(type.offset)) {
        if (!name.subdirectory) continue;
        for (const DirectoryEntry& language : ReadDirectory(name.offset)) {
          if (language.subdirectory) continue;
          entries.push_back(LocationOf(name.name, language.offset));
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

  ResourceName NameOf(std::uint32_t name) {
    if ((name & kSubdirectoryFlag) == 0) return static_cast<std::uint16_t>(name);
    const std::uint64_t offset = InDirectory(name & ~kSubdirectoryFlag, 2, "resource name");
    const std::uint16_t length = reader_.U16(offset, "resource name");
    const std::size_t size = std::size_t{length} * 2;
    auto bytes = reader_.Bytes(InDirectory((name & ~kSubdirectoryFlag) + 2, size, "resource name"),
                               size, "resource name");
    std::u16string text(length, u'\0');
    for (std::size_t index = 0; index < length; ++index) {
      text[index] = static_cast<char16_t>(bytes[index * 2] | bytes[index * 2 + 1] << 8);
    }
    return text;
  }

  ResourceLocation LocationOf(const ResourceName& name, std::uint32_t relative) {
    const std::uint64_t entry = InDirectory(relative, 16, "resource data entry");
    const std::uint32_t rva = reader_.U32(entry, "resource data entry");
    const std::uint32_t size = reader_.U32(entry + 4, "resource data entry");
    if (size == 0) return {name, 0, 0};
    const Section* section = SectionOf(rva, size);
    if (!section) Fail("resource data");
    const std::uint64_t offset =
        std::uint64_t{section->raw_offset} + (rva - section->virtual_address);
    reader_.Check(offset, size, "resource data");
    return {name, offset, size};
  }

  HeaderReader& reader_;
  const Layout& layout_;
  std::uint64_t base_ = 0;
  std::uint64_t end_ = 0;
  std::uint64_t budget_ = 0;
};

}  // namespace

ResourceTable ReadResourceTable(ByteSource& source, std::span<const std::uint16_t> types) {
  HeaderReader reader(source);
  const Layout layout = ReadLayout(reader);
  if (layout.resource_rva == 0) return {};
  return ResourceDirectoryWalker(reader, layout).ReadTypes(types);
}

const ResourceLocation* FindResource(const ResourceTable& table, std::uint16_t type,
                                     const ResourceName& name) {
  auto found = table.find(type);
  if (found == table.end()) return nullptr;
  for (const ResourceLocation& location : found->second) {
    if (location.name == name) return &location;
  }
  return nullptr;
}

}  // namespace lintrove::platform
