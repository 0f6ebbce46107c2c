#include "clean_text.h"

#include <optional>

#include "base/text.h"

namespace lintrove::service {

std::string CleanText(std::string_view text) {
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
