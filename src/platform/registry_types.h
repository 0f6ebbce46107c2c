#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lintrove::platform {

// The two roots the program uses. (The Win32 names are macros in <windows.h>, so the
// enumerators carry plain names; RootKeyName gives the registry's own.)
enum class RootKey : std::uint8_t { CurrentUser, LocalMachine };

std::string_view RootKeyName(RootKey root);  // "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"
// Accepts the long names and the short forms HKCU and HKLM, without regard to case.
std::optional<RootKey> ParseRootKeyName(std::string_view name);

// Registry views; the values are the access-mask flags KEY_WOW64_64KEY and KEY_WOW64_32KEY.
enum class RegistryView : std::uint32_t { Default = 0, Wow64_64 = 0x0100, Wow64_32 = 0x0200 };

// Value types as Windows numbers them. Any other number is kept and written back as it is.
namespace RegType {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Sz = 1;
inline constexpr std::uint32_t ExpandSz = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t Dword = 4;
inline constexpr std::uint32_t DwordBigEndian = 5;
inline constexpr std::uint32_t Link = 6;
inline constexpr std::uint32_t MultiSz = 7;
inline constexpr std::uint32_t Qword = 11;
}  // namespace RegType

}  // namespace lintrove::platform
