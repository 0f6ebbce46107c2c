#include "platform/locale.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <array>

#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

using LocaleName = std::array<wchar_t, LOCALE_NAME_MAX_LENGTH>;

// LCIDs of the primary language 0 are placeholders the system resolves to the user's or the
// system's default locale, or stand for a locale without a number of its own.
bool IsPlaceholderLcid(std::uint32_t lcid) { return (lcid & 0x3FF) == 0; }

bool IsPosixDefaultLocale(std::string_view language) {
  return language.empty() || language == "C" || language == "POSIX";
}

// "de_DE.UTF-8" and "sr_RS@latin", the names POSIX systems give locales, as the system names
// them: "de-DE" and "sr-Latn-RS".
std::wstring SystemLocaleName(std::string_view name) {
  const std::size_t modifierStart = name.find('@');
  const std::string_view modifier =
      modifierStart == std::string_view::npos ? std::string_view() : name.substr(modifierStart + 1);
  std::string tag(name.substr(0, name.find_first_of(".@")));
  if (IsPosixDefaultLocale(tag)) return {};
  for (char& character : tag) {
    if (character == '_') character = '-';
  }
  const std::string_view script = modifier == "latin"      ? "Latn"
                                  : modifier == "cyrillic" ? "Cyrl"
                                                           : std::string_view();
  if (!script.empty()) {
    const std::size_t languageEnd = tag.find('-');
    tag.insert(languageEnd == std::string::npos ? tag.size() : languageEnd,
               "-" + std::string(script));
  }
  return Wide(tag);
}

std::wstring SystemLocaleNameOf(std::uint32_t lcid) {
  if (IsPlaceholderLcid(lcid)) return {};
  LocaleName name{};
  const int length = LCIDToLocaleName(lcid, name.data(), static_cast<int>(name.size()),
                                      LOCALE_ALLOW_NEUTRAL_NAMES);
  return length > 0 ? std::wstring(name.data()) : std::wstring();
}

std::uint32_t LcidOf(const wchar_t* name) {
  const auto lcid = static_cast<std::uint32_t>(LocaleNameToLCID(name, LOCALE_ALLOW_NEUTRAL_NAMES));
  return IsPlaceholderLcid(lcid) ? 0 : lcid;
}

BOOL CALLBACK CollectLocale(LPWSTR name, DWORD, LPARAM collected) {
  if (const std::uint32_t lcid = LcidOf(name); lcid != 0) {
    reinterpret_cast<std::vector<std::uint32_t>*>(collected)->push_back(lcid);
  }
  return TRUE;
}

}  // namespace

std::uint32_t UserDefaultLcid() { return static_cast<std::uint32_t>(GetUserDefaultLCID()); }

std::uint32_t LcidOfLocaleName(std::string_view name) {
  const std::wstring systemName = SystemLocaleName(name);
  return systemName.empty() ? 0 : LcidOf(systemName.c_str());
}

std::string LocaleDisplayName(std::uint32_t lcid) {
  const std::wstring name = SystemLocaleNameOf(lcid);
  if (name.empty()) return {};
  std::array<wchar_t, 256> displayName{};
  const int length = GetLocaleInfoEx(name.c_str(), LOCALE_SLOCALIZEDDISPLAYNAME, displayName.data(),
                                     static_cast<int>(displayName.size()));
  return length > 0 ? Narrow(displayName.data()) : std::string();
}

std::vector<std::uint32_t> InstalledLocales() {
  std::vector<std::uint32_t> lcids;
  EnumSystemLocalesEx(&CollectLocale, LOCALE_WINDOWS, reinterpret_cast<LPARAM>(&lcids), nullptr);
  return lcids;
}

std::optional<int> LocaleAnsiCodePage(std::uint32_t lcid) {
  const std::wstring name = SystemLocaleNameOf(lcid);
  if (name.empty()) return std::nullopt;
  DWORD codePage = 0;
  const int length =
      GetLocaleInfoEx(name.c_str(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                      reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t));
  // A locale written in Unicode only has the code page 0.
  if (length == 0) return std::nullopt;
  return static_cast<int>(codePage);
}

int SystemAnsiCodePage() { return 65001; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const std::wstring wideA = Wide(a);
  const std::wstring wideB = Wide(b);
  return CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                              static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace lintrove::platform
