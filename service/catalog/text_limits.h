#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lintrove::service {

// The longest texts the catalog keeps, in bytes of UTF-8, so that no report can make an entry,
// and with it every answer that shows it, grow without end. Real names and versions are far
// shorter.
struct TextLimits {
  // Shown texts: a report's longer ones are cut, at a character's start.
  static constexpr std::size_t kName = 256;
  static constexpr std::size_t kPublisher = 256;
  // Keys: a report's longer ones are not recorded (its program is judged all the same), since
  // cut they would stand for another program or version.
  static constexpr std::size_t kIdentity = 600;
  static constexpr std::size_t kVersion = 64;
  // Set by maintainers only; a longer one is refused.
  static constexpr std::size_t kHomepage = 2048;
};

// At most `limit` bytes of well-formed UTF-8 `text`, cut before a character, never inside one.
std::string CutUtf8(std::string_view text, std::size_t limit);

}  // namespace lintrove::service
