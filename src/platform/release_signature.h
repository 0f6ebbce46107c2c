#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace lintrove::platform {

using Ed25519PublicKey = std::array<std::uint8_t, 32>;
using Ed25519Signature = std::array<std::uint8_t, 64>;

// The public half of the key every release is signed with, built into the program. Only a file
// signed with its private half, which never leaves the maintainers' hands, is started as a setup.
const Ed25519PublicKey& ReleasePublicKey();

// Whether `signature` is a valid Ed25519 signature (RFC 8032, the message signed as it is) of
// `message` by the holder of `key`.
bool IsValidEd25519Signature(std::span<const std::uint8_t> message,
                             const Ed25519Signature& signature, const Ed25519PublicKey& key);

}  // namespace lintrove::platform
