#pragma once

#include <cstdint>

namespace lintrove::platform {

// The user's locale as Windows numbers locales (LCID): 0x0407 for German (Germany). On Linux
// from LC_ALL, LC_MESSAGES or LANG; 0 for "C", "POSIX" or a locale without a number.
std::uint32_t UserDefaultLcid();

}  // namespace lintrove::platform
