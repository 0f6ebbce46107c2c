#include <cstdio>

#include "base/text.h"
#include "platform/regfile/reg_file.h"

// What regedit's syntax cannot carry is written so that our reader reads it back exactly,
// in forms that regedit never writes, so that every file regedit wrote still reads as before:
// - A line feed or carriage return in a name would end the line, a NUL would end the name for
//   Windows. Each is written as
//   "<hh>" (its code in two hex digits) after a backslash regedit never writes there: inside
//   a quoted value name regedit escapes only \\ and \", so a line feed is \<0a>; in a key
//   path regedit never writes an empty component, so a line feed is \\<0a>.
// - String data that is not plain text (a NUL or line break inside, a lone surrogate, an odd
//   length) is written as hex(1), hex(2) or hex(7) bytes, as regedit does.
// - Windows adds a terminating NUL to hex(1), hex(2) and hex(7) data that lacks one; string
//   data that really lacks it is written as hex(N,exact):.
// docs/registry-store-format.md describes this for people who edit the files.

namespace lintrove::platform {
namespace {

// regedit breaks a hex line once it has reached this column.
constexpr int kHexWrapColumn = 77;

// Builds the UTF-16LE file text and follows the column, which regedit counts in UTF-16 units.
class RegFileText {
 public:
  RegFileText() { bytes_ = {0xFF, 0xFE}; }

  void Put(char16_t unit) {
    bytes_.push_back(static_cast<std::uint8_t>(unit));
    bytes_.push_back(static_cast<std::uint8_t>(unit >> 8));
    ++column_;
  }
  void PutAscii(std::string_view text) {
    for (const char c : text) Put(static_cast<char16_t>(c));
  }
  // Inside quotes, where \ and " are escaped.
  void PutEscaped(char16_t unit) {
    if (unit == u'\\' || unit == u'"') Put(u'\\');
    Put(unit);
  }
  // A value name goes inside quotes, where \ and " are escaped; a key path has no quotes and
  // its backslashes are separators. Both take the name escape for the characters that cannot
  // stand as they are.
  enum class NameKind { QuotedValueName, KeyPath };
  void PutName(std::string_view name, NameKind kind) {
    const bool quoted = kind == NameKind::QuotedValueName;
    for (const char16_t unit : Utf8ToUtf16(name)) {
      if (NeedsNameEscape(unit)) {
        PutNameEscape(quoted ? u"\\" : u"\\\\", unit);
      } else if (quoted) {
        PutEscaped(unit);
      } else {
        Put(unit);
      }
    }
  }
  void EndLine() {
    PutAscii("\r\n");
    column_ = 0;
  }
  int Column() const { return column_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
  int column_ = 0;

  static bool NeedsNameEscape(char16_t unit) {
    return unit == u'\0' || unit == u'\n' || unit == u'\r';
  }
  void PutNameEscape(std::u16string_view backslashes, char16_t unit) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    for (const char16_t backslash : backslashes) Put(backslash);
    Put(u'<');
    Put(static_cast<char16_t>(kDigits[unit >> 4]));
    Put(static_cast<char16_t>(kDigits[unit & 0x0F]));
    Put(u'>');
  }
};

char16_t UnitAt(const std::vector<std::uint8_t>& data, std::size_t index) {
  return static_cast<char16_t>(data[2 * index] | (data[2 * index + 1] << 8));
}

// Whether a REG_SZ can be written as "text" and read back to the same bytes: one terminating
// NUL and none before it, no line break (the format has no escape for it that regedit reads)
// and no unpaired surrogate (the reader sees the text as UTF-8).
bool IsPlainString(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t count = data.size() / 2 - 1;
  if (UnitAt(data, count) != 0) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t unit = UnitAt(data, i);
    if (unit == 0 || unit == u'\r' || unit == u'\n') return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 == count || UnitAt(data, i + 1) < 0xDC00 || UnitAt(data, i + 1) > 0xDFFF) {
        return false;
      }
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

// String data without a NUL at its end, which Windows would add when reading hex(N) data.
bool IsUnterminatedString(const RegValue& value) {
  const bool stringType = value.type == RegType::Sz || value.type == RegType::ExpandSz ||
                          value.type == RegType::MultiSz;
  const auto& data = value.data;
  return stringType && (data.size() < 2 || data.back() != 0 || data[data.size() - 2] != 0);
}

void PutHexBytes(const std::vector<std::uint8_t>& data, RegFileText& out) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  for (std::size_t i = 0; i < data.size(); ++i) {
    out.Put(static_cast<char16_t>(kDigits[data[i] >> 4]));
    out.Put(static_cast<char16_t>(kDigits[data[i] & 0x0F]));
    if (i + 1 == data.size()) break;
    out.Put(u',');
    if (out.Column() >= kHexWrapColumn) {
      out.PutAscii("\\");
      out.EndLine();
      out.PutAscii("  ");
    }
  }
}

void PutValue(const RegValue& value, RegFileText& out) {
  if (value.name.empty()) {
    out.Put(u'@');
  } else {
    out.Put(u'"');
    out.PutName(value.name, RegFileText::NameKind::QuotedValueName);
    out.Put(u'"');
  }
  out.Put(u'=');
  const auto& data = value.data;
  if (value.type == RegType::Sz && IsPlainString(data)) {
    out.Put(u'"');
    for (std::size_t i = 0; i + 1 < data.size() / 2; ++i) out.PutEscaped(UnitAt(data, i));
    out.Put(u'"');
  } else if (value.type == RegType::Dword && data.size() == 4) {
    char digits[16];
    std::snprintf(
        digits, sizeof digits, "dword:%08x",
        data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
    out.PutAscii(digits);
  } else {
    char tag[32] = "hex:";
    if (value.type != RegType::Binary) {
      std::snprintf(tag, sizeof tag, "hex(%x%s):", value.type,
                    IsUnterminatedString(value) ? ",exact" : "");
    }
    out.PutAscii(tag);
    PutHexBytes(data, out);
  }
  out.EndLine();
}

// A key's header and values; a root without values of its own gets none.
void PutKeyBlock(const RegKey& key, std::string_view path, bool isRoot, RegFileText& out) {
  if (isRoot && key.Values().empty()) return;
  out.Put(u'[');
  out.PutName(path, RegFileText::NameKind::KeyPath);
  out.Put(u']');
  out.EndLine();
  for (const RegValue& value : key.Values()) PutValue(value, out);
  out.EndLine();
}

// Depth first, each key before its subkeys, with a stack of our own: a tree read from a file
// may be deeper than the call stack allows.
void PutTree(const RegKey& top, std::string path, bool isRoot, RegFileText& out) {
  struct Visit {
    const RegKey* key;
    std::size_t nextSubkey;
    std::size_t pathLength;
  };
  PutKeyBlock(top, path, isRoot, out);
  std::vector<Visit> stack = {{&top, 0, path.size()}};
  while (!stack.empty()) {
    Visit& visit = stack.back();
    if (visit.nextSubkey == visit.key->Subkeys().size()) {
      stack.pop_back();
      continue;
    }
    const RegKey& subkey = *visit.key->Subkeys()[visit.nextSubkey++];
    path.resize(visit.pathLength);
    path.append("\\").append(subkey.Name());
    PutKeyBlock(subkey, path, false, out);
    stack.push_back({&subkey, 0, path.size()});
  }
}

}  // namespace

std::vector<std::uint8_t> FormatRegFile(const RegKey& key, std::string_view fullPath) {
  RegFileText out;
  out.PutAscii("Windows Registry Editor Version 5.00");
  out.EndLine();
  out.EndLine();
  PutTree(key, std::string(fullPath), fullPath.find('\\') == std::string_view::npos, out);
  return out.Take();
}

}  // namespace lintrove::platform
