#include <openssl/evp.h>

#include <array>
#include <new>

#include "platform/sha256.h"

namespace lintrove::platform {

struct Sha256::State {
  struct Free {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
  };
  std::unique_ptr<EVP_MD_CTX, Free> context{EVP_MD_CTX_new()};
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (!state_->context || EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr) != 1) {
    throw std::bad_alloc();
  }
}

Sha256::~Sha256() = default;

void Sha256::Add(std::string_view bytes) {
  EVP_DigestUpdate(state_->context.get(), bytes.data(), bytes.size());
}

std::string Sha256::HexDigest() {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(state_->context.get(), digest.data(), &length);
  return HexOf(digest.data(), length);
}

}  // namespace lintrove::platform
