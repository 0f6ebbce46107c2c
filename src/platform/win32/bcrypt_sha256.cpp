// bcrypt.h needs the types of windows.h before it.
#include <windows.h>

#include <bcrypt.h>

#include <array>
#include <new>

#include "platform/sha256.h"

namespace lintrove::platform {

struct Sha256::State {
  BCRYPT_HASH_HANDLE hash = nullptr;
  ~State() {
    if (hash != nullptr) BCryptDestroyHash(hash);
  }
};

namespace {

// Opened once for the program's lifetime: opening a provider is the slow part.
BCRYPT_ALG_HANDLE Sha256Algorithm() {
  static const BCRYPT_ALG_HANDLE algorithm = [] {
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
      throw std::bad_alloc();
    }
    return opened;
  }();
  return algorithm;
}

}  // namespace

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (!BCRYPT_SUCCESS(
          BCryptCreateHash(Sha256Algorithm(), &state_->hash, nullptr, 0, nullptr, 0, 0))) {
    throw std::bad_alloc();
  }
}

Sha256::~Sha256() = default;

void Sha256::Add(std::string_view bytes) {
  BCryptHashData(state_->hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                 static_cast<ULONG>(bytes.size()), 0);
}

std::string Sha256::HexDigest() {
  std::array<unsigned char, 32> digest{};
  BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  return HexOf(digest.data(), digest.size());
}

}  // namespace lintrove::platform
