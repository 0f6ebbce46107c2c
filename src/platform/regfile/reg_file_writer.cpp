#include <cstdio>

#include "base/text.h"
#include "platform/regfile/reg_file.h"

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
  void PutUtf8(std::string_view text) {
    for (const char16_t unit : Utf8ToUtf16(text)) Put(unit);
  }
  // Inside quotes, where \ and " are escaped.
  void PutEscaped(char16_t unit) {
    if (unit == u'\\' || unit == u'"') Put(u'\\');
    Put(unit);
  }
  void PutEscapedUtf8(std::string_view text) {
    for (const char16_t unit : Utf8ToUtf16(text)) PutEscaped(unit);
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
    out.PutEscapedUtf8(value.name);
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
    char tag[24] = "hex:";
    if (value.type != RegType::Binary) std::snprintf(tag, sizeof tag, "hex(%x):", value.type);
    out.PutAscii(tag);
    PutHexBytes(data, out);
  }
  out.EndLine();
}

void PutKey(const RegKey& key, std::string& path, bool isRoot, RegFileText& out) {
  if (!isRoot || !key.Values().empty()) {
    out.Put(u'[');
    out.PutUtf8(path);
    out.Put(u']');
    out.EndLine();
    for (const RegValue& value : key.Values()) PutValue(value, out);
    out.EndLine();
  }
  for (const auto& subkey : key.Subkeys()) {
    const std::size_t length = path.size();
    path.append("\\").append(subkey->Name());
    PutKey(*subkey, path, false, out);
    path.resize(length);
  }
}

}  // namespace

std::vector<std::uint8_t> FormatRegFile(const RegKey& key, std::string_view fullPath) {
  RegFileText out;
  out.PutAscii("Windows Registry Editor Version 5.00");
  out.EndLine();
  out.EndLine();
  std::string path(fullPath);
  PutKey(key, path, fullPath.find('\\') == std::string_view::npos, out);
  return out.Take();
}

}  // namespace lintrove::platform
