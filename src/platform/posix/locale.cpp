#include "platform/locale.h"

#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <array>
#include <cstdlib>
#include <string>

#include "base/text.h"

namespace lintrove::platform {
namespace {

// ICU's locale identifiers are at most this long (ULOC_FULLNAME_CAPACITY).
using LocaleId = std::array<char, ULOC_FULLNAME_CAPACITY>;

// The locale the user chose for messages, by the precedence POSIX gives the variables.
std::string_view MessagesLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return {};
}

bool IsPosixDefaultLocale(std::string_view name) {
  std::string_view language = name.substr(0, name.find_first_of(".@"));
  return language.empty() || language == "C" || language == "POSIX";
}

std::string LocaleIdForLcid(std::uint32_t lcid) {
  // ICU gives the neutral LCID 0 a locale of its own; for us it stands for none.
  if (lcid == 0) return {};
  LocaleId id{};
  UErrorCode status = U_ZERO_ERROR;
  std::int32_t length = uloc_getLocaleForLCID(lcid, id.data(), id.size(), &status);
  if (U_FAILURE(status) || length <= 0) return {};
  return std::string(id.data(), static_cast<std::size_t>(length));
}

std::string DisplayLocaleId() {
  std::string_view name = MessagesLocaleName();
  if (IsPosixDefaultLocale(name)) return "en";
  LocaleId id{};
  UErrorCode status = U_ZERO_ERROR;
  uloc_canonicalize(std::string(name).c_str(), id.data(), id.size(), &status);
  return U_SUCCESS(status) ? std::string(id.data()) : "en";
}

std::string ScriptOf(const std::string& locale_id) {
  LocaleId maximized{};
  UErrorCode status = U_ZERO_ERROR;
  uloc_addLikelySubtags(locale_id.c_str(), maximized.data(), maximized.size(), &status);
  LocaleId script{};
  uloc_getScript(maximized.data(), script.data(), script.size(), &status);
  return U_SUCCESS(status) ? std::string(script.data()) : std::string();
}

std::string LanguageOf(const std::string& locale_id) {
  LocaleId language{};
  UErrorCode status = U_ZERO_ERROR;
  uloc_getLanguage(locale_id.c_str(), language.data(), language.size(), &status);
  return U_SUCCESS(status) ? std::string(language.data()) : std::string();
}

// Windows' code pages for narrow text follow the script, and within the Latin script the
// languages whose letters Windows-1252 lacks.
int AnsiCodePageOf(const std::string& language, const std::string& script) {
  struct ScriptPage {
    std::string_view script;
    int code_page;
  };
  static constexpr std::array kScripts = {
      ScriptPage{"Cyrl", 1251}, ScriptPage{"Grek", 1253}, ScriptPage{"Hebr", 1255},
      ScriptPage{"Arab", 1256}, ScriptPage{"Thai", 874},  ScriptPage{"Jpan", 932},
      ScriptPage{"Hans", 936},  ScriptPage{"Kore", 949},  ScriptPage{"Hant", 950},
  };
  for (const ScriptPage& entry : kScripts) {
    if (entry.script == script) return entry.code_page;
  }
  if (script != "Latn") return 0;
  struct LanguagePage {
    std::string_view language;
    int code_page;
  };
  static constexpr std::array kLatinLanguages = {
      LanguagePage{"cs", 1250}, LanguagePage{"hu", 1250}, LanguagePage{"pl", 1250},
      LanguagePage{"ro", 1250}, LanguagePage{"sk", 1250}, LanguagePage{"sl", 1250},
      LanguagePage{"hr", 1250}, LanguagePage{"bs", 1250}, LanguagePage{"sq", 1250},
      LanguagePage{"sr", 1250}, LanguagePage{"tr", 1254}, LanguagePage{"az", 1254},
      LanguagePage{"uz", 1254}, LanguagePage{"et", 1257}, LanguagePage{"lv", 1257},
      LanguagePage{"lt", 1257}, LanguagePage{"vi", 1258},
  };
  for (const LanguagePage& entry : kLatinLanguages) {
    if (entry.language == language) return entry.code_page;
  }
  return 1252;
}

}  // namespace

std::uint32_t LcidOfLocaleName(std::string_view name) {
  if (IsPosixDefaultLocale(name)) return 0;
  LocaleId id{};
  UErrorCode status = U_ZERO_ERROR;
  // Canonicalizing drops the code set (".UTF-8") and turns "@latin" into a variant ICU knows.
  uloc_canonicalize(std::string(name).c_str(), id.data(), id.size(), &status);
  if (U_FAILURE(status)) return 0;
  return uloc_getLCID(id.data());
}

std::uint32_t UserDefaultLcid() { return LcidOfLocaleName(MessagesLocaleName()); }

std::string LocaleDisplayName(std::uint32_t lcid) {
  std::string locale_id = LocaleIdForLcid(lcid);
  if (locale_id.empty()) return {};
  std::array<UChar, 256> name{};
  UErrorCode status = U_ZERO_ERROR;
  std::int32_t length = uloc_getDisplayName(locale_id.c_str(), DisplayLocaleId().c_str(),
                                            name.data(), name.size(), &status);
  if (U_FAILURE(status) || length <= 0) return {};
  return Utf16ToUtf8(std::u16string_view(name.data(), static_cast<std::size_t>(length)));
}

std::vector<std::uint32_t> InstalledLocales() {
  std::vector<std::uint32_t> lcids;
  const std::int32_t count = uloc_countAvailable();
  for (std::int32_t index = 0; index < count; ++index) {
    if (std::uint32_t lcid = uloc_getLCID(uloc_getAvailable(index)); lcid != 0) {
      lcids.push_back(lcid);
    }
  }
  return lcids;
}

std::optional<int> LocaleAnsiCodePage(std::uint32_t lcid) {
  std::string locale_id = LocaleIdForLcid(lcid);
  if (locale_id.empty()) return std::nullopt;
  return AnsiCodePageOf(LanguageOf(locale_id), ScriptOf(locale_id));
}

int SystemAnsiCodePage() { return 65001; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && a == b) return true;
  std::u16string wide_a = Utf8ToUtf16(a);
  std::u16string wide_b = Utf8ToUtf16(b);
  UErrorCode status = U_ZERO_ERROR;
  return u_strCaseCompare(wide_a.data(), static_cast<std::int32_t>(wide_a.size()), wide_b.data(),
                          static_cast<std::int32_t>(wide_b.size()), U_FOLD_CASE_DEFAULT,
                          &status) == 0 &&
         U_SUCCESS(status);
}

}  // namespace lintrove::platform
