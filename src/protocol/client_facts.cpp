#include "inventory/platform_facts.h"
#include "platform/client_version.h"
#include "platform/locale.h"
#include "platform/system_info.h"
#include "protocol/request_documents.h"
#include "settings/client_settings.h"

namespace lintrove {

ClientFacts CurrentClientFacts(const ClientSettings& settings) {
  ClientFacts facts;
  facts.version = ClientVersion();
  facts.guid = settings.ClientGuid;
  facts.lcid = platform::UserDefaultLcid();
  // The machine is the one whose registry the settings live in.
  facts.windows_version = GetWindowsVersionString(settings.Backend());
  facts.windows64 = IsWindows64(settings.Backend());
  facts.upgrades = settings.bol_upgrades;
  facts.betas = settings.bol_developerversionen;
  facts.system = platform::SetupSystem();
  return facts;
}

ClientFacts FactsOfCheckedMachine(ClientFacts facts, platform::RegistryBackend& machine) {
  facts.windows_version = GetWindowsVersionString(machine);
  facts.windows64 = IsWindows64(machine);
  return facts;
}

}  // namespace lintrove
