#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace lintrove::platform {

using GuidBytes = std::array<std::uint8_t, 16>;

// Fills bytes from the system's secure random source; throws lintrove::Error when it fails.
void FillSecureRandom(std::span<std::uint8_t> bytes);

// A new random GUID (version 4) from the system's secure random source; throws lintrove::Error
// when the source fails.
GuidBytes NewGuid();

// The registry form: "{" 8-4-4-4-12 upper-case hexadecimal digits "}", 38 characters, the
// bytes in the order given.
std::string GuidText(const GuidBytes& guid);

}  // namespace lintrove::platform
