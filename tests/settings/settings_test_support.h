#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/posix_registry.h"
#include "platform/registry.h"
#include "settings/registry_persistent_settings.h"

namespace lintrove::test {

// Raw access to the settings key, as any other writer or reader of the registry would have it.
class SettingsKeyAccess {
 public:
  SettingsKeyAccess(platform::RegistryBackend& backend, platform::RootKey root)
      : backend_(backend), root_(root) {}

  void Put(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data) const {
    platform::Registry registry(root_, platform::RegistryView::Default, backend_);
    registry.OpenKey(SettingsKey, true);
    registry.WriteValue(name, type, data);
  }

  std::optional<platform::RegistryData> Get(std::string_view name) const {
    platform::Registry registry(root_, platform::RegistryView::Default, backend_);
    registry.OpenKeyReadOnly(SettingsKey);
    return registry.ReadValue(name);
  }

  std::vector<std::string> Names() const {
    platform::Registry registry(root_, platform::RegistryView::Default, backend_);
    registry.OpenKeyReadOnly(SettingsKey);
    return registry.GetValueNames();
  }

 private:
  platform::RegistryBackend& backend_;
  platform::RootKey root_;
};

inline std::vector<std::uint8_t> Dword(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// A REG_SZ as Windows keeps it: UTF-16LE with its terminating NUL.
inline std::vector<std::uint8_t> Sz(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

}  // namespace lintrove::test
