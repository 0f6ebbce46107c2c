#pragma once

#include <string>
#include <string_view>

namespace lintrove::test {

// `inner` inside `depth` nested elements. An answer decides how deep its elements nest:
// 100,000 levels are far below the size limit of an answer and deep enough to overflow the
// stack of any walk that recurses.
inline constexpr int kDeepNesting = 100000;

inline std::string Nested(std::string_view inner, int depth = kDeepNesting) {
  std::string text;
  text.reserve(static_cast<std::size_t>(depth) * 7 + inner.size());
  for (int i = 0; i < depth; ++i) text += "<n>";
  text += inner;
  for (int i = 0; i < depth; ++i) text += "</n>";
  return text;
}

}  // namespace lintrove::test
