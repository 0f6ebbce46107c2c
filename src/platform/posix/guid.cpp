#include "platform/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

#include "base/error.h"

namespace lintrove::platform {

void FillSecureRandom(std::span<std::uint8_t> bytes) {
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw Error(std::string("getrandom: ") + std::strerror(errno));
    }
    filled += static_cast<std::size_t>(got);
  }
}

}  // namespace lintrove::platform
