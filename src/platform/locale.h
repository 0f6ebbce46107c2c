#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintrove::platform {

// The user's locale as Windows numbers locales (LCID): 0x0407 for German (Germany). On Linux
// from LC_ALL, LC_MESSAGES or LANG; 0 for "C", "POSIX" or a locale without a number.
std::uint32_t UserDefaultLcid();

// The LCID of a locale name such as "de_DE.UTF-8" or "de-AT"; 0 when it has none.
std::uint32_t LcidOfLocaleName(std::string_view name);

// The system's name of the locale in the user's language, such as "Deutsch (Deutschland)";
// empty when the system does not know the LCID.
std::string LocaleDisplayName(std::uint32_t lcid);

// The LCIDs of the system's installed locales, in the system's order.
std::vector<std::uint32_t> InstalledLocales();

// The locale's default ANSI code page (1252 for western languages, 0 for a locale written only
// in Unicode); none when the system does not know the LCID.
std::optional<int> LocaleAnsiCodePage(std::uint32_t lcid);

// The code page the system uses for narrow text: UTF-8 (65001) wherever the program runs.
int SystemAnsiCodePage();

// Compares two texts without regard to case, by Unicode case folding.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace lintrove::platform
