#pragma once

#include <cstddef>
#include <string_view>

// The small pieces of text both registry file formats are read with: regedit's and Wine's.
namespace lintrove::platform {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

// -1 for a character that is no hex digit.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace lintrove::platform
