#include "platform/unicode.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <array>
#include <optional>

namespace lintrove::platform {
namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t character) { return character >= 0xD800 && character <= 0xDFFF; }

// The character in UTF-16: one unit, or a surrogate pair outside the Basic Multilingual Plane.
std::wstring Utf16Of(char32_t character) {
  if (character < 0x10000) return std::wstring(1, static_cast<wchar_t>(character));
  const char32_t offset = character - 0x10000;
  return {static_cast<wchar_t>(0xD800 + (offset >> 10)),
          static_cast<wchar_t>(0xDC00 + (offset & 0x3FF))};
}

// The one character the text holds; none when it holds another number of characters.
std::optional<char32_t> SingleCharacter(std::wstring_view text) {
  if (text.size() == 1 && !IsSurrogate(text[0])) return text[0];
  if (text.size() == 2 && text[0] >= 0xD800 && text[0] <= 0xDBFF && text[1] >= 0xDC00 &&
      text[1] <= 0xDFFF) {
    return 0x10000 + ((static_cast<char32_t>(text[0]) - 0xD800) << 10) +
           (static_cast<char32_t>(text[1]) - 0xDC00);
  }
  return std::nullopt;
}

}  // namespace

char32_t UpperCaseOf(char32_t character) {
  if (character > kLastCodePoint || IsSurrogate(character)) return character;
  const std::wstring text = Utf16Of(character);
  std::array<wchar_t, 4> upper{};
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(),
                                   static_cast<int>(text.size()), upper.data(),
                                   static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (length <= 0) return character;
  return SingleCharacter(std::wstring_view(upper.data(), static_cast<std::size_t>(length)))
      .value_or(character);
}

std::u16string ComposedForm(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int sourceLength = static_cast<int>(text.size());
  // The first answer is an estimate; a second try with a larger buffer settles it.
  int capacity = NormalizeString(NormalizationC, source, sourceLength, nullptr, 0);
  while (capacity > 0) {
    std::u16string composed(static_cast<std::size_t>(capacity), u'\0');
    const int length = NormalizeString(NormalizationC, source, sourceLength,
                                       reinterpret_cast<wchar_t*>(composed.data()), capacity);
    if (length > 0) {
      composed.resize(static_cast<std::size_t>(length));
      return composed;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    // A failed call tells, as a negative number, a new estimate of the size it needs.
    capacity = (std::max)(-length, capacity * 2);
  }
  return std::u16string(text);
}

}  // namespace lintrove::platform
