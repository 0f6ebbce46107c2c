#include "localization/localizer.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "localization/window_translation.h"
#include "platform/locale.h"
#include "platform/system_info.h"
#include "platform/unicode.h"

namespace lintrove {
namespace {

constexpr std::string_view kLanguageFileExtension = ".wlx";

// Narrow text is UTF-8, so no character is lost; composed forms are what a reader expects.
std::string Precomposed(std::u16string_view text) {
  return Utf16ToUtf8(platform::ComposedForm(text));
}

std::int32_t ParseLcid(std::string_view digits) {
  std::int32_t value = 0;
  for (char digit : digits) {
    int nibble = digit >= '0' && digit <= '9'   ? digit - '0'
                 : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10
                 : digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                                                : -1;
    if (nibble < 0) return -1;
    value = value * 16 + nibble;
  }
  return value;
}

// The system's name of the locale, else the name of the first installed locale of the same
// primary language without its region, else "<unknown>".
std::string LanguageName(std::int32_t lcid) {
  const auto id = static_cast<std::uint32_t>(lcid);
  if (std::string name = platform::LocaleDisplayName(id); !name.empty()) return name;
  for (std::uint32_t installed : platform::InstalledLocales()) {
    if ((installed & 0xFF) != (id & 0xFF)) continue;
    std::string name = platform::LocaleDisplayName(installed);
    name = name.substr(0, name.find('('));
    name = name.substr(0, name.find('['));
    return std::string(Trim(name));
  }
  return "<unknown>";
}

}  // namespace

LanguageFileLocalizer::LanguageFileLocalizer(const std::string& executable_path) {
  const std::filesystem::path path(executable_path);
  base_name_ = path.stem().string();
  SetLanguageDir(path.parent_path().string());
}

LanguageFileLocalizer::~LanguageFileLocalizer() { UnloadLanguage(); }

bool LanguageFileLocalizer::IsLanguageLoaded() const { return module_.has_value(); }

std::int32_t LanguageFileLocalizer::GetLanguageID() const { return language_id_; }

std::int32_t LanguageFileLocalizer::GetLanguageCodePage() const {
  return platform::LocaleAnsiCodePage(static_cast<std::uint32_t>(language_id_))
      .value_or(platform::SystemAnsiCodePage());
}

std::string LanguageFileLocalizer::GetLanguageDir() const { return language_dir_; }

void LanguageFileLocalizer::SetLanguageDir(const std::string& dir) {
  language_dir_ = dir;
  if (!language_dir_.ends_with('/')) language_dir_ += '/';
}

void LanguageFileLocalizer::SetBaseName(std::string base_name) {
  base_name_ = std::move(base_name);
}

std::string LanguageFileLocalizer::LanguageFileName(std::int32_t lcid) const {
  return language_dir_ + base_name_ + Format(".%04X", lcid) + std::string(kLanguageFileExtension);
}

bool LanguageFileLocalizer::LoadLanguage(std::int32_t lcid, bool translate_forms) {
  UnloadLanguage();
  language_file_ = LanguageFileName(lcid);
  std::error_code error;
  if (!std::filesystem::is_regular_file(language_file_, error)) return false;
  try {
    module_ = platform::PeResources::Load(language_file_);
  } catch (const Error&) {
    // A file that is no resource module counts as no file: the user keeps the built-in texts.
    return false;
  }
  language_id_ = lcid;
  SetResStringLookup([this](int id) { return LocalizedLoadResString(id); });
  if (translate_forms) TranslateAllForms();
  return true;
}

void LanguageFileLocalizer::UnloadLanguage() {
  if (!module_) return;
  language_id_ = 0;
  SetResStringLookup(nullptr);
  module_.reset();
}

std::string LanguageFileLocalizer::LocalizedLoadResString(int id) const {
  if (module_ && id >= 0 && id <= 0xFFFF) {
    if (auto data = module_->FindRcData(static_cast<std::uint16_t>(id)); data && !data->empty()) {
      std::u16string text;
      for (std::size_t at = 0; at + 1 < data->size(); at += 2) {
        const auto unit = static_cast<char16_t>((*data)[at] | (*data)[at + 1] << 8);
        if (unit == u'\0') break;
        text.push_back(unit);
      }
      if (!text.empty()) return Precomposed(text);
    }
  }
  return std::string(BuiltInResString(id));
}

void LanguageFileLocalizer::SetOpenWindows(OpenWindows open_windows) {
  open_windows_ = std::move(open_windows);
}

void LanguageFileLocalizer::TranslateAllForms() {
  if (!open_windows_) return;
  open_windows_([this](TranslatableComponent& window) { TranslateComponent(&window); });
}

void LanguageFileLocalizer::TranslateComponent(TranslatableComponent* component) {
  if (!component || !module_) return;
  lintrove::TranslateComponent(*module_, *component);
}

std::int32_t LanguageFileLocalizer::GetLanguages(std::vector<LanguageEntry>* strings,
                                                 bool only_with_sublanguage) {
  const std::string prefix = base_name_ + ".";
  std::vector<std::pair<std::string, std::int32_t>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(language_dir_, error)) {
    const std::string name = entry.path().filename().string();
    // The mask <base name>.????.wlx, matched without regard to case as Windows does.
    if (name.size() != prefix.size() + 4 + kLanguageFileExtension.size() ||
        !EqualsIgnoringAsciiCase(name.substr(0, prefix.size()), prefix) ||
        !EqualsIgnoringAsciiCase(name.substr(prefix.size() + 4), kLanguageFileExtension)) {
      continue;
    }
    // The digits follow the base name, which may itself contain a dot.
    const std::int32_t lcid = ParseLcid(std::string_view(name).substr(prefix.size(), 4));
    if (lcid == 0 || (only_with_sublanguage && (lcid & 0xFF00) == 0)) continue;
    found.emplace_back(name, lcid);
  }
  // A directory lists its files in no particular order; a sorted list is the same every time.
  std::ranges::sort(found);
  if (strings) {
    for (const auto& [file, lcid] : found) strings->push_back({LanguageName(lcid), lcid});
  }
  return static_cast<std::int32_t>(found.size());
}

std::int32_t LanguageFileLocalizer::EnumLanguages(bool only_with_sublanguage,
                                                  const EnumLanguagesCallback& callback) {
  std::vector<LanguageEntry> languages;
  const std::int32_t count = GetLanguages(&languages, only_with_sublanguage);
  if (callback) {
    for (const LanguageEntry& language : languages) callback(language.name, language.lcid);
  }
  return count;
}

bool LanguageFileLocalizer::LoadUserLanguage(std::int32_t fallback_lcid, bool translate_forms) {
  const auto user = static_cast<std::int32_t>(platform::UserDefaultLcid());
  if (LoadLanguage(user, translate_forms)) return true;
  if (LoadLanguage(user & 0xFF, translate_forms)) return true;
  return fallback_lcid != 0 && LoadLanguage(fallback_lcid, translate_forms);
}

LanguageFileLocalizer& ProcessLocalizer() {
  static LanguageFileLocalizer& localizer = []() -> LanguageFileLocalizer& {
    // Touching the lookup first makes it outlive the localizer, whose destructor resets it.
    SetResStringLookup(nullptr);
    static LanguageFileLocalizer instance(platform::ExecutablePath());
    return instance;
  }();
  return localizer;
}

std::string ProgramLanguageDir() {
  if (const char* dir = std::getenv("LINTROVE_LANGUAGE_DIR"); dir && *dir) return dir;
  return InstalledLanguageDir(std::filesystem::path(platform::ExecutablePath()).parent_path())
      .string();
}

std::filesystem::path InstalledLanguageDir(const std::filesystem::path& program_dir) {
  const std::filesystem::path beside = program_dir / "Languages";
  std::error_code ignored;
  if (std::filesystem::is_directory(beside, ignored)) return beside;
  // Installed on Linux, the programs are in bin/ and the language files in share/: a path from
  // the one to the other keeps an installation movable as a whole.
  return (program_dir / LINTROVE_INSTALLED_LANGUAGE_DIR).lexically_normal();
}

}  // namespace lintrove
