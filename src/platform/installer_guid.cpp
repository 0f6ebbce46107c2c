#include "platform/installer_database.h"

#include <array>

namespace lintrove::platform {
namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Upper(char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; }

// The hex digits of a GUID in the order they are written, with where each goes when packed:
// the first three groups reversed, the pairs of the last two swapped.
constexpr std::array<std::size_t, 32> kPackedPosition = [] {
  std::array<std::size_t, 32> position{};
  std::size_t i = 0;
  for (std::size_t group : {8, 4, 4}) {
    for (std::size_t k = 0; k < group; ++k) position[i + k] = i + group - 1 - k;
    i += group;
  }
  for (; i < 32; ++i) position[i] = i ^ 1;
  return position;
}();

}  // namespace

std::optional<std::string> PackGuid(std::string_view guid) {
  constexpr std::string_view kShape = "{00000000-0000-0000-0000-000000000000}";
  if (guid.size() != kShape.size()) return std::nullopt;
  std::string digits;
  for (std::size_t i = 0; i < guid.size(); ++i) {
    if (kShape[i] == '0') {
      if (!IsHexDigit(guid[i])) return std::nullopt;
      digits += Upper(guid[i]);
    } else if (guid[i] != kShape[i]) {
      return std::nullopt;
    }
  }
  std::string packed(32, '0');
  for (std::size_t i = 0; i < 32; ++i) packed[kPackedPosition[i]] = digits[i];
  return packed;
}

std::optional<std::string> UnpackGuid(std::string_view packed) {
  if (packed.size() != 32) return std::nullopt;
  std::string digits(32, '0');
  for (std::size_t i = 0; i < 32; ++i) {
    char c = packed[kPackedPosition[i]];
    if (!IsHexDigit(c)) return std::nullopt;
    digits[i] = Upper(c);
  }
  return "{" + digits.substr(0, 8) + "-" + digits.substr(8, 4) + "-" + digits.substr(12, 4) + "-" +
         digits.substr(16, 4) + "-" + digits.substr(20) + "}";
}

}  // namespace lintrove::platform
