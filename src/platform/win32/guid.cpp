#include "platform/guid.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include "base/error.h"
#include "base/format.h"

namespace lintrove::platform {

void FillSecureRandom(std::span<std::uint8_t> bytes) {
  const NTSTATUS status = BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (!BCRYPT_SUCCESS(status)) {
    throw Error(Format("BCryptGenRandom: 0x%08X", static_cast<std::uint32_t>(status)));
  }
}

}  // namespace lintrove::platform
