#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "localization/translatable.h"
#include "platform/pe/pe_resources.h"

namespace lintrove {

// The language of the messages when the user's has no language file: English.
inline constexpr std::int32_t FallbackLanguage = 0x0009;

// One line of a language list: the locale's name and its LCID.
struct LanguageEntry {
  std::string name;
  std::int32_t lcid;
};

using EnumLanguagesCallback = std::function<void(const std::string& name, std::int32_t lcid)>;

// The localizer's operations. Language files are resource modules named
// <executable>.<LCID in hex>.wlx in the language directory.
class Localizer {
 public:
  virtual ~Localizer() = default;
  virtual bool IsLanguageLoaded() const = 0;
  virtual std::int32_t GetLanguageID() const = 0;
  virtual std::int32_t GetLanguageCodePage() const = 0;
  virtual std::string GetLanguageDir() const = 0;
  virtual void SetLanguageDir(const std::string& dir) = 0;
  virtual bool LoadLanguage(std::int32_t lcid, bool translate_forms) = 0;
  virtual void TranslateComponent(TranslatableComponent* component) = 0;
  virtual std::int32_t EnumLanguages(bool only_with_sublanguage,
                                     const EnumLanguagesCallback& callback) = 0;
  // Appends to strings when it is given.
  virtual std::int32_t GetLanguages(std::vector<LanguageEntry>* strings,
                                    bool only_with_sublanguage) = 0;
  virtual bool LoadUserLanguage(std::int32_t fallback_lcid, bool translate_forms) = 0;

 protected:
  Localizer() = default;
  Localizer(const Localizer&) = delete;
  Localizer& operator=(const Localizer&) = delete;
};

class LanguageFileLocalizer : public Localizer {
 public:
  // The base name of the language files and the initial language directory come from the
  // executable's path.
  explicit LanguageFileLocalizer(const std::string& executable_path);
  ~LanguageFileLocalizer() override;

  bool IsLanguageLoaded() const override;
  std::int32_t GetLanguageID() const override;
  std::int32_t GetLanguageCodePage() const override;
  std::string GetLanguageDir() const override;
  void SetLanguageDir(const std::string& dir) override;
  bool LoadLanguage(std::int32_t lcid, bool translate_forms) override;
  void TranslateComponent(TranslatableComponent* component) override;
  std::int32_t EnumLanguages(bool only_with_sublanguage,
                             const EnumLanguagesCallback& callback) override;
  std::int32_t GetLanguages(std::vector<LanguageEntry>* strings,
                            bool only_with_sublanguage) override;
  bool LoadUserLanguage(std::int32_t fallback_lcid, bool translate_forms) override;

  void UnloadLanguage();
  // The loaded language's translation of the message number, else the built-in text.
  std::string LocalizedLoadResString(int id) const;
  // Programs that share the language files of another use its base name (the command-line
  // tool uses the desktop client's).
  void SetBaseName(std::string base_name);
  // The path of the language file last tried.
  const std::string& LanguageFile() const { return language_file_; }
  std::string LanguageFileName(std::int32_t lcid) const;

  // The GUI hands each window open in the application to `visit`, in the application's order.
  // A visitor rather than a list: what the GUI hands over need only live for the one call.
  using WindowVisitor = std::function<void(TranslatableComponent& window)>;
  using OpenWindows = std::function<void(const WindowVisitor& visit)>;
  void SetOpenWindows(OpenWindows open_windows);
  void TranslateAllForms();

 private:
  std::optional<platform::PeResources> module_;
  std::int32_t language_id_ = 0;
  std::string language_file_;
  std::string language_dir_;
  std::string base_name_;
  OpenWindows open_windows_;
};

// The process's one localizer, created on first use for the running executable.
LanguageFileLocalizer& ProcessLocalizer();

// The language directory of the programs: $LINTROVE_LANGUAGE_DIR, else InstalledLanguageDir of
// the executable's directory.
std::string ProgramLanguageDir();
// "Languages" beside the programs in `program_dir` where there is one (a build, a Windows
// installation), else the installation's data directory for them
// (bin/../share/lintrove/languages).
std::filesystem::path InstalledLanguageDir(const std::filesystem::path& program_dir);

}  // namespace lintrove
