#include "platform/sha256.h"

namespace lintrove::platform {

std::string HexOf(const unsigned char* bytes, std::size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

}  // namespace lintrove::platform
