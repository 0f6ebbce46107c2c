#include "catalog/file_sha256.h"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <memory>

#include "base/error.h"

namespace lintrove::service {

std::string FileSha256(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Error("Cannot read " + file.string());
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    throw Error("SHA-256 is not available");
  }
  std::array<char, 64 * 1024> buffer;
  while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
    EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw Error("Cannot read " + file.string());
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest;
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), digest.data(), &length);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0xF];
  }
  return hex;
}

}  // namespace lintrove::service
