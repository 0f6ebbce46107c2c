#pragma once

#include <array>
#include <string>

#include "settings/process_instance.h"
#include "settings/registry_persistent_settings.h"

namespace lintrove {

// The service endpoints of this machine, under HKEY_LOCAL_MACHINE: host and path without the
// scheme, which bol_ssl of the client settings chooses.
class SystemSettings : public PublishedClass<SystemSettings, RegistryPersistentSettings> {
 public:
  static constexpr std::string_view kClassName = "TSystemSettings";

  explicit SystemSettings(platform::RegistryBackend& backend = platform::SystemRegistry());

  static SystemSettings& Instance() { return ProcessInstance<SystemSettings>::Get(); }
  using ScopedInstance = ProcessInstance<SystemSettings>::Scoped;

  std::string StrServiceUrl;
  std::string StrFeedBackServiceUrl;

  static constexpr std::array kPublished{
      Publish<&SystemSettings::StrServiceUrl>("StrServiceUrl"),
      Publish<&SystemSettings::StrFeedBackServiceUrl>("StrFeedBackServiceUrl"),
  };
};

}  // namespace lintrove
