#pragma once

#include <string_view>

#include "base/reflection.h"
#include "platform/registry.h"
#include "platform/run_value_logon_entry.h"

namespace lintrove {

// Key paths; the leading "\" makes them absolute from the root.
inline constexpr std::string_view SettingsKey = "\\Software\\Dorv\\Lintrove";
inline constexpr std::string_view IgnoreKey = "\\Software\\Dorv\\Lintrove\\ignore";
inline constexpr std::string_view RunKey = platform::kRunKeyPath;

// A settings object that keeps its published properties as values of the same names under
// SettingsKey of one root. Integers and Booleans are REG_DWORD, floating-point values (DateTime
// too) 8 bytes of REG_BINARY, narrow texts REG_SZ; properties of other kinds are not stored, and
// values that are not published properties are left alone.
class RegistryPersistentSettings : public PublishedClass<RegistryPersistentSettings> {
 public:
  static constexpr std::string_view kClassName = "TRegistryPersistentSettings";

  // The backend is the process's registry, or a test's store; it must outlive the object.
  explicit RegistryPersistentSettings(
      platform::RootKey root, platform::RegistryBackend& backend = platform::SystemRegistry());
  RegistryPersistentSettings(const RegistryPersistentSettings&) = delete;
  RegistryPersistentSettings& operator=(const RegistryPersistentSettings&) = delete;

  platform::RootKey Root() const { return root_; }
  platform::RegistryBackend& Backend() const { return backend_; }

  // Called with the settings key still open, after the properties, for further values.
  virtual void LoadCustom(platform::Registry& registry);
  virtual void SaveCustom(platform::Registry& registry);

  // A missing key or value keeps the property as it is. A value of the wrong type raises the
  // registry's error; the properties before it have been set by then.
  virtual void Load();
  // Writes every stored property; raises the registry's error at the first refused write.
  virtual void Save();

  // The workers of Load and Save, for any published object and an open key.
  static void LoadProperties(Published& instance, const platform::Registry& registry);
  static void SaveProperties(const Published& instance, platform::Registry& registry);

 private:
  platform::RootKey root_;
  platform::RegistryBackend& backend_;
};

}  // namespace lintrove
