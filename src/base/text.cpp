#include "base/text.h"

#include <array>
#include <bit>
#include <cstring>

namespace lintrove {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kIllFormed = 0x110000;  // beyond Unicode, so no code point is mistaken for it

bool IsAsciiBlock(const char* bytes) {
  std::uint64_t block;
  std::memcpy(&block, bytes, sizeof block);
  return (block & 0x8080808080808080u) == 0;
}

// Decodes the code point at text[i] and moves i past it. An ill-formed sequence gives kIllFormed
// and moves i past its maximal subpart only, so that each subpart becomes one U+FFFD, as the
// Unicode standard recommends and as Windows' own conversion does.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<std::uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  int trailCount;
  char32_t codePoint;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailCount = 1;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailCount = 2;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailCount = 3;
    codePoint = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return kIllFormed;
  }
  for (int k = 0; k < trailCount; ++k) {
    if (i >= text.size()) return kIllFormed;
    const auto trail = static_cast<std::uint8_t>(text[i]);
    if (trail < low || trail > high) return kIllFormed;
    codePoint = (codePoint << 6) | (trail & 0x3F);
    ++i;
    low = 0x80;
    high = 0xBF;
  }
  return codePoint;
}

char* EncodeUtf8(char32_t codePoint, char* out) {
  if (codePoint < 0x80) {
    *out++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

// Where UTF-16 text comes from: a char16_t string or little-endian bytes. CopyAsciiBlock copies
// four units at once when all of them are ASCII, the common case, to out.
class Utf16Units {
 public:
  explicit Utf16Units(std::u16string_view text) : text_(text) {}
  std::size_t Count() const { return text_.size(); }
  char16_t operator[](std::size_t i) const { return text_[i]; }
  bool CopyAsciiBlock(std::size_t i, char* out) const {
    std::uint64_t block;
    std::memcpy(&block, text_.data() + i, sizeof block);
    if ((block & 0xFF80FF80FF80FF80u) != 0) return false;
    for (int k = 0; k < 4; ++k) out[k] = static_cast<char>(text_[i + k]);
    return true;
  }

 private:
  std::u16string_view text_;
};

class Utf16LeUnits {
 public:
  explicit Utf16LeUnits(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t Count() const { return bytes_.size() / 2; }
  char16_t operator[](std::size_t i) const {
    return static_cast<char16_t>(bytes_[2 * i] | (bytes_[2 * i + 1] << 8));
  }
  bool CopyAsciiBlock(std::size_t i, char* out) const {
    std::uint64_t block;
    std::memcpy(&block, bytes_.data() + 2 * i, sizeof block);
    constexpr std::uint64_t kNonAscii =
        std::endian::native == std::endian::little ? 0xFF80FF80FF80FF80u : 0x80FF80FF80FF80FFu;
    if ((block & kNonAscii) != 0) return false;
    for (int k = 0; k < 4; ++k) out[k] = static_cast<char>(bytes_[2 * (i + k)]);
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

template <typename Units>
void AppendUtf16Units(const Units& units, std::string& out) {
  const std::size_t count = units.Count();
  const std::size_t start = out.size();
  // A unit takes at most three bytes; a surrogate pair takes four for its two units.
  out.resize(start + count * 3);
  char* const begin = out.data() + start;
  char* p = begin;
  std::size_t i = 0;
  while (i < count) {
    while (i + 4 <= count && units.CopyAsciiBlock(i, p)) {
      i += 4;
      p += 4;
    }
    if (i == count) break;
    const char16_t unit = units[i++];
    char32_t codePoint = unit;
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      const bool pairFollows =
          unit <= 0xDBFF && i < count && units[i] >= 0xDC00 && units[i] <= 0xDFFF;
      codePoint =
          pairFollows ? 0x10000 + ((unit - 0xD800) << 10) + (units[i++] - 0xDC00) : kReplacement;
    }
    p = EncodeUtf8(codePoint, p);
  }
  out.resize(start + static_cast<std::size_t>(p - begin));
}

// storeUnit(unit) receives the UTF-16 code units of text in order; the caller has room for
// text.size() units, the most there can be.
template <typename StoreUnit>
void DecodeUtf8ToUnits(std::string_view text, StoreUnit storeUnit) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i + 8 <= text.size() && IsAsciiBlock(text.data() + i)) {
      for (int k = 0; k < 8; ++k) storeUnit(static_cast<char16_t>(text[i + k]));
      i += 8;
    }
    if (i == text.size()) break;
    char32_t codePoint = DecodeUtf8(text, i);
    if (codePoint == kIllFormed) codePoint = kReplacement;
    if (codePoint >= 0x10000) {
      storeUnit(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
      storeUnit(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
      storeUnit(static_cast<char16_t>(codePoint));
    }
  }
}

// The characters Windows-1252 puts at 0x80 to 0x9F. The five bytes the code page leaves
// undefined map to the C1 control of the same number, as Windows converts them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void AppendUtf16LeToUtf8(std::span<const std::uint8_t> bytes, std::string& out) {
  AppendUtf16Units(Utf16LeUnits(bytes), out);
}

void AppendUtf8ToUtf16Le(std::string_view text, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + 2 * text.size());
  std::uint8_t* p = out.data() + start;
  DecodeUtf8ToUnits(text, [&p](char16_t unit) {
    *p++ = static_cast<std::uint8_t>(unit);
    *p++ = static_cast<std::uint8_t>(unit >> 8);
  });
  out.resize(static_cast<std::size_t>(p - out.data()));
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  AppendUtf16Units(Utf16Units(text), out);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out(text.size(), u'\0');
  char16_t* p = out.data();
  DecodeUtf8ToUnits(text, [&p](char16_t unit) { *p++ = unit; });
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  AppendUtf16LeToUtf8(bytes, out);
  return out;
}

std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text) {
  std::vector<std::uint8_t> out;
  AppendUtf8ToUtf16Le(text, out);
  return out;
}

std::optional<char32_t> NextUtf8Character(std::string_view text, std::size_t& i) {
  const char32_t character = DecodeUtf8(text, i);
  if (character == kIllFormed) return std::nullopt;
  return character;
}

void AppendUtf8Character(char32_t character, std::string& out) {
  char encoded[4];
  out.append(encoded, EncodeUtf8(character, encoded));
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i + 8 <= text.size() && IsAsciiBlock(text.data() + i)) i += 8;
    if (i == text.size()) break;
    if (DecodeUtf8(text, i) == kIllFormed) return false;
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out(text.size() * 3, '\0');
  char* p = out.data();
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    const char32_t codePoint =
        byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : char32_t{byte};
    p = EncodeUtf8(codePoint, p);
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  const auto isTrimmed = [](char c) { return static_cast<std::uint8_t>(c) <= 32; };
  while (!text.empty() && isTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && isTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace lintrove
