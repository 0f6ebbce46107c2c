#include "inventory/program_icons.h"

#include <array>
#include <charconv>
#include <limits>
#include <optional>

#include "base/error.h"
#include "platform/pe/byte_source.h"
#include "platform/pe/pe_resource_file.h"

namespace lintrove {
namespace {

constexpr std::size_t kIcoHeaderSize = 6;
constexpr std::size_t kIcoEntrySize = 16;
// No real .ico comes near this; the limit bounds what a file posing as one makes us read.
constexpr std::uint64_t kMaxIcoFileSize = 64u << 20;

std::uint32_t LittleEndian(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

// A 32-bit integer as the index after the comma is read: blanks before it, a sign, then decimal
// digits, or hexadecimal ones after "$" or "0x". Hexadecimal gives the 32 bits as they are, so
// $FFFFFFFF is -1; a decimal number must lie in the range.
std::optional<std::int32_t> ParseIconIndex(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with('$')) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars would take a sign of its own.
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  std::uint32_t magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  std::int64_t value =
      base == 16 ? std::int64_t{static_cast<std::int32_t>(magnitude)} : std::int64_t{magnitude};
  if (negative) value = -value;
  if (base == 10 && (value < std::numeric_limits<std::int32_t>::min() ||
                     value > std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

// An .ico file: an icon directory whose every image lies inside the file.
bool IsIcoFile(platform::ByteSource& file) {
  if (file.Size() < kIcoHeaderSize || file.Size() > kMaxIcoFileSize) return false;
  std::array<std::uint8_t, kIcoHeaderSize> header;
  file.ReadAt(0, header);
  const std::uint32_t count = LittleEndian(std::span(header).subspan(4, 2));
  if (LittleEndian(std::span(header).first(4)) != 0x00010000u || count == 0 ||
      file.Size() < kIcoHeaderSize + count * kIcoEntrySize) {
    return false;
  }
  std::vector<std::uint8_t> entries(count * kIcoEntrySize);
  file.ReadAt(kIcoHeaderSize, entries);
  for (std::size_t index = 0; index < count; ++index) {
    const auto entry = std::span(entries).subspan(index * kIcoEntrySize, kIcoEntrySize);
    const std::uint64_t size = LittleEndian(entry.subspan(8, 4));
    const std::uint64_t offset = LittleEndian(entry.subspan(12, 4));
    if (size == 0 || offset > file.Size() || size > file.Size() - offset) return false;
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> IcoOf(const std::filesystem::path& path,
                                               std::int32_t index) {
  auto file = std::make_unique<platform::FileByteSource>(path);
  std::array<std::uint8_t, 2> magic{};
  if (file->Size() >= magic.size()) file->ReadAt(0, magic);
  if (magic[0] == 'M' && magic[1] == 'Z') {
    return platform::PeResourceFile(std::move(file)).IconFile(index);
  }
  // An icon file holds one icon.
  if (index != 0 || !IsIcoFile(*file)) return std::nullopt;
  std::vector<std::uint8_t> ico(static_cast<std::size_t>(file->Size()));
  file->ReadAt(0, ico);
  return ico;
}

}  // namespace

std::string ExpandEnvironment(std::string_view text, const platform::MachineFiles& machine) {
  return machine.ExpandEnvironment(text);
}

std::unique_ptr<ProgramIcon> IconFromFile(std::string_view path, std::int32_t index,
                                          const platform::MachineFiles& machine) {
  if (path.starts_with('"')) path.remove_prefix(1);
  // A quote with text after it, as in a quoted program followed by its arguments, stays: the
  // path then names no file.
  if (path.ends_with('"')) path.remove_suffix(1);
  try {
    const auto file = machine.ExistingFile(path);
    if (!file) return nullptr;
    auto ico = IcoOf(*file, index);
    return ico ? std::make_unique<ProgramIcon>(std::move(*ico)) : nullptr;
  } catch (const Error&) {
    // A damaged file, or one that changed while it was read, has no icon.
    return nullptr;
  }
}

std::unique_ptr<ProgramIcon> IconFromLocation(std::string_view location,
                                              const platform::MachineFiles& machine) {
  std::string text;
  try {
    text = ExpandEnvironment(location, machine);
  } catch (const Error&) {
    // A machine whose environment cannot be read names no file.
    return nullptr;
  }
  const std::size_t comma = text.rfind(',');
  if (comma == std::string::npos) return IconFromFile(text, 0, machine);
  const auto index = ParseIconIndex(std::string_view(text).substr(comma + 1));
  if (!index) return nullptr;
  return IconFromFile(std::string_view(text).substr(0, comma), *index, machine);
}

std::unique_ptr<ProgramIcon> QuestionMarkIcon() {
  const std::span<const std::uint8_t> bytes = QuestionMarkIcoBytes();
  return std::make_unique<ProgramIcon>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace lintrove
