#include "settings/client_settings.h"

#include "platform/guid.h"
#include "platform/system_info.h"

namespace lintrove {

ClientSettings::ClientSettings(platform::RegistryBackend& backend, platform::LogonEntry& logonEntry)
    : PublishedClass(platform::RootKey::CurrentUser, backend),
      ClientGuid(platform::GuidText(platform::NewGuid())),
      logonEntry_(logonEntry) {}

void ClientSettings::Load() {
  RegistryPersistentSettings::Load();
  if (!logonEntry_.Exists()) int_reminder = 0;
}

void ClientSettings::LoadCustom(platform::Registry& registry) {
  if (registry.ValueExists(kWinePrefixValue))
    str_wineprefix = registry.ReadString(kWinePrefixValue);
}

void ClientSettings::SaveCustom(platform::Registry& registry) {
  if (str_wineprefix.empty()) {
    registry.DeleteValue(kWinePrefixValue);
  } else {
    registry.WriteString(kWinePrefixValue, str_wineprefix);
  }
}

void ClientSettings::Save() {
  RegistryPersistentSettings::Save();
  if (int_reminder <= 0) {
    logonEntry_.Remove();
  } else {
    // Taken anew on every save: the program may have moved since the last run.
    logonEntry_.Write({platform::ExecutablePath(), {std::string(kReminderArgument)}});
  }
}

}  // namespace lintrove
