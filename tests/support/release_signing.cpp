#include "support/release_signing.h"

#include <sodium.h>

#include <array>
#include <stdexcept>

namespace lintrove::test {
namespace {

using Seed = std::array<unsigned char, crypto_sign_SEEDBYTES>;

Seed SeedOf(std::string_view hex) {
  Seed seed{};
  if (hex.size() != 2 * seed.size() || sodium_hex2bin(seed.data(), seed.size(), hex.data(),
                                                      hex.size(), nullptr, nullptr, nullptr) != 0) {
    throw std::invalid_argument("not a key seed: " + std::string(hex));
  }
  return seed;
}

std::string SignedBy(const Seed& seed, std::string_view bytes) {
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
  std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> public_key{};
  std::array<unsigned char, crypto_sign_SECRETKEYBYTES> secret_key{};
  crypto_sign_seed_keypair(public_key.data(), secret_key.data(), seed.data());
  std::array<unsigned char, crypto_sign_BYTES> signature{};
  crypto_sign_detached(signature.data(), nullptr,
                       reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                       secret_key.data());
  std::array<char, 2 * crypto_sign_BYTES + 1> hex{};
  sodium_bin2hex(hex.data(), hex.size(), signature.data(), signature.size());
  return std::string(hex.data());
}

}  // namespace

std::string SignedByReleaseKey(std::string_view bytes) {
  return SignedBy(SeedOf(LINTROVE_TEST_SIGNING_SEED), bytes);
}

std::string SignedByAnotherKey(std::string_view bytes) {
  Seed seed{};
  seed.fill(0x5a);
  return SignedBy(seed, bytes);
}

}  // namespace lintrove::test
