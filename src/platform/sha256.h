#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace lintrove::platform {

// The SHA-256 of a byte stream given in pieces: each system has its own cryptographic library.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Add(std::string_view bytes);
  // Lower-case hexadecimal; ends the sum.
  std::string HexDigest();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Lower-case hexadecimal of raw digest bytes, shared by the implementations.
std::string HexOf(const unsigned char* bytes, std::size_t length);

}  // namespace lintrove::platform
