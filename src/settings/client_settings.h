#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/date_time.h"
#include "platform/logon_entry.h"
#include "settings/process_instance.h"
#include "settings/registry_persistent_settings.h"

namespace lintrove {

// What the client remembers of the user between runs, under HKEY_CURRENT_USER, and the log-on
// entry that starts it with the reminder switch.
class ClientSettings : public PublishedClass<ClientSettings, RegistryPersistentSettings> {
 public:
  static constexpr std::string_view kClassName = "TClientSettings";
  // The switch the log-on entry starts the program with.
  static constexpr std::string_view kReminderArgument = "/reminder";

  // A new GUID as ClientGuid and the defaults below. Backend and log-on entry must outlive the
  // object.
  explicit ClientSettings(platform::RegistryBackend& backend = platform::SystemRegistry(),
                          platform::LogonEntry& logonEntry = platform::SystemLogonEntry());

  static ClientSettings& Instance() { return ProcessInstance<ClientSettings>::Get(); }
  using ScopedInstance = ProcessInstance<ClientSettings>::Scoped;

  // Then int_reminder becomes 0 when the log-on entry does not exist: the user may have
  // removed it.
  void Load() override;
  // Then writes the log-on entry, this executable with kReminderArgument, while int_reminder is
  // above 0, and removes it otherwise.
  void Save() override;
  void LoadCustom(platform::Registry& registry) override;
  void SaveCustom(platform::Registry& registry) override;
  // The stored values alone, leaving the log-on entry as it is: it is the desktop client's,
  // and a tool that runs beside it must not take it away.
  void LoadValues() { RegistryPersistentSettings::Load(); }
  void SaveValues() { RegistryPersistentSettings::Save(); }

  bool bol_upgrades = true;
  bool bol_developerversionen = false;
  // The status filters of the program list.
  bool bol_unknown = true;
  bool bol_nicht_unterstuetzt = false;
  bool bol_uptodate = false;
  bool bol_updatesbekannt = true;
  std::string ClientGuid;
  // The last completed update check; -1.0 before the first start has been handled, 0.0 after
  // it until a check completes.
  DateTime dat_lastcheck = -1.0;
  bool bol_uptodatehinweis = false;
  bool bol_extendedmsiinfo = false;
  // 0 no reminder, 1 weekly, 2 every two weeks, 3 every four weeks.
  std::int32_t int_reminder = 1;
  bool bol_ssl = true;
  // The Wine prefix the desktop client checks instead of this computer; empty for this computer.
  // Stored as kWinePrefixValue beside the published values, which installed clients of every
  // version share, and only while a prefix is chosen.
  std::string str_wineprefix;
  static constexpr std::string_view kWinePrefixValue = "str_wineprefix";

  static constexpr std::array kPublished{
      Publish<&ClientSettings::bol_upgrades>("bol_upgrades"),
      Publish<&ClientSettings::bol_developerversionen>("bol_developerversionen"),
      Publish<&ClientSettings::bol_unknown>("bol_unknown"),
      Publish<&ClientSettings::bol_nicht_unterstuetzt>("bol_nicht_unterstuetzt"),
      Publish<&ClientSettings::bol_uptodate>("bol_uptodate"),
      Publish<&ClientSettings::bol_updatesbekannt>("bol_updatesbekannt"),
      Publish<&ClientSettings::ClientGuid>("ClientGuid"),
      Publish<&ClientSettings::dat_lastcheck>("dat_lastcheck"),
      Publish<&ClientSettings::bol_uptodatehinweis>("bol_uptodatehinweis"),
      Publish<&ClientSettings::bol_extendedmsiinfo>("bol_extendedmsiinfo"),
      Publish<&ClientSettings::int_reminder>("int_reminder"),
      Publish<&ClientSettings::bol_ssl>("bol_ssl"),
  };

 private:
  platform::LogonEntry& logonEntry_;
};

}  // namespace lintrove
