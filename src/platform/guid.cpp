#include "platform/guid.h"

namespace lintrove::platform {

GuidBytes NewGuid() {
  GuidBytes guid{};
  FillSecureRandom(guid);
  // Version 4 (random) and the RFC 4122 variant, as the system's GUID generator marks them.
  guid[6] = static_cast<std::uint8_t>((guid[6] & 0x0F) | 0x40);
  guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);
  return guid;
}

std::string GuidText(const GuidBytes& guid) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "{";
  for (std::size_t i = 0; i < guid.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kDigits[guid[i] >> 4];
    text += kDigits[guid[i] & 0x0F];
  }
  text += '}';
  return text;
}

}  // namespace lintrove::platform
