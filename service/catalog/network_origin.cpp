#include "catalog/network_origin.h"

#include <arpa/inet.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/error.h"

namespace lintrove::service {
namespace {

std::string Hex(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

std::string Ipv4Network(const unsigned char* address) {
  char text[INET_ADDRSTRLEN];
  const std::array<unsigned char, 4> network = {address[0], address[1], address[2], 0};
  inet_ntop(AF_INET, network.data(), text, sizeof text);
  return std::string(text) + "/24";
}

}  // namespace

std::optional<std::string> NetworkOf(std::string_view address) {
  // A prefix names the network of its address part; its length is the catalog's own.
  const std::string text(address.substr(0, address.find('/')));
  std::array<unsigned char, 16> bytes{};
  if (inet_pton(AF_INET, text.c_str(), bytes.data()) == 1) return Ipv4Network(bytes.data());
  if (inet_pton(AF_INET6, text.c_str(), bytes.data()) != 1) return std::nullopt;
  constexpr std::array<unsigned char, 12> kMappedIpv4 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (std::equal(kMappedIpv4.begin(), kMappedIpv4.end(), bytes.begin())) {
    return Ipv4Network(bytes.data() + kMappedIpv4.size());
  }
  std::fill(bytes.begin() + 6, bytes.end(), 0);
  char network[INET6_ADDRSTRLEN];
  inet_ntop(AF_INET6, bytes.data(), network, sizeof network);
  return std::string(network) + "/48";
}

std::string OriginKey(std::string_view secret, std::string_view network) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  if (!HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
            reinterpret_cast<const unsigned char*>(network.data()), network.size(), digest.data(),
            &size)) {
    throw Error("HMAC-SHA-256 is not available");
  }
  return Hex(digest.data(), size);
}

std::string NewOriginSecret() {
  std::array<unsigned char, 32> bytes{};
  if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
    throw Error("No random bytes for the origin secret");
  }
  return Hex(bytes.data(), bytes.size());
}

}  // namespace lintrove::service
