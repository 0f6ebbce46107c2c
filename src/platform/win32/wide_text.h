#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace lintrove::platform {

// The W functions of Win32 take UTF-16 as wchar_t, which is 16 bits wide on Windows; the
// conversion itself is the program's one UTF-8/UTF-16 conversion.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring Wide(std::string_view text) {
  const std::u16string utf16 = Utf8ToUtf16(text);
  return std::wstring(utf16.begin(), utf16.end());
}

inline std::string Narrow(std::wstring_view text) {
  return Utf16ToUtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

}  // namespace lintrove::platform
