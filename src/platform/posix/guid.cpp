#include "platform/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

#include "base/error.h"

namespace lintrove::platform {

GuidBytes NewGuid() {
  GuidBytes guid{};
  std::size_t filled = 0;
  while (filled < guid.size()) {
    const ssize_t got = getrandom(guid.data() + filled, guid.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw Error(std::string("getrandom: ") + std::strerror(errno));
    }
    filled += static_cast<std::size_t>(got);
  }
  // Version 4 (random) and the RFC 4122 variant, as the system's GUID generator marks them.
  guid[6] = static_cast<std::uint8_t>((guid[6] & 0x0F) | 0x40);
  guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);
  return guid;
}

}  // namespace lintrove::platform
