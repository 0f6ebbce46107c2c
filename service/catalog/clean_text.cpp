#include "catalog/clean_text.h"

#include <algorithm>
#include <optional>

#include "base/text.h"

namespace lintrove::service {

std::string CleanText(std::string_view text) {
  // Most texts are printable ASCII, which stays as it is.
  if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    return std::string(text);
  }
  std::string clean;
  clean.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::optional<char32_t> c = NextUtf8Character(text, i);
    const bool allowed = c && (*c >= 0x20 || *c == '\t' || *c == '\n' || *c == '\r');
    AppendUtf8Character(allowed ? *c : U'\uFFFD', clean);
  }
  return clean;
}

}  // namespace lintrove::service
