#include "platform/guid.h"

namespace lintrove::platform {

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
