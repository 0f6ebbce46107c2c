#include "platform/release_signature.h"

#include <sodium.h>

#include <new>

namespace lintrove::platform {
namespace {

// libsodium picks its fastest implementations once; it is safe to call from any thread.
void InitializeSodium() {
  static const bool initialized = sodium_init() >= 0;
  if (!initialized) throw std::bad_alloc();
}

}  // namespace

bool IsValidEd25519Signature(std::span<const std::uint8_t> message,
                             const Ed25519Signature& signature, const Ed25519PublicKey& key) {
  static_assert(sizeof(Ed25519Signature) == crypto_sign_BYTES);
  static_assert(sizeof(Ed25519PublicKey) == crypto_sign_PUBLICKEYBYTES);
  InitializeSodium();
  return crypto_sign_verify_detached(signature.data(), message.data(), message.size(),
                                     key.data()) == 0;
}

}  // namespace lintrove::platform
