#pragma once

#include <string>
#include <string_view>

namespace lintrove::test {

// Ed25519 signatures, as the service announces them (128 hexadecimal digits), by the build's
// throwaway release key, whose public half the program under test carries, or by another key.
std::string SignedByReleaseKey(std::string_view bytes);
std::string SignedByAnotherKey(std::string_view bytes);

}  // namespace lintrove::test
