#pragma once

#include <algorithm>
#include <string>

namespace lintrove::cli {

// A value for a tab-separated line: tabs and line breaks inside it would break the columns, so
// they become spaces. Output meant to be read back exactly is JSON.
inline std::string Column(std::string text) {
  std::ranges::replace_if(
      text, [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return text;
}

}  // namespace lintrove::cli
