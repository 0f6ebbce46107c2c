#pragma once

#include <array>
#include <string>

#include "settings/process_instance.h"
#include "settings/registry_persistent_settings.h"

namespace lintrove {

// The service endpoints of this machine, under HKEY_LOCAL_MACHINE: host and path without the
// scheme, which bol_ssl of the client settings chooses.
class TSystemSettings : public PublishedClass<TSystemSettings, TRegistryPersistentSettings> {
 public:
  static constexpr std::string_view kClassName = "TSystemSettings";

  explicit TSystemSettings(platform::RegistryBackend& backend = platform::SystemRegistry());

  static TSystemSettings& Instance() { return ProcessInstance<TSystemSettings>::Get(); }
  using ScopedInstance = ProcessInstance<TSystemSettings>::Scoped;

  std::string StrServiceUrl;
  std::string StrFeedBackServiceUrl;

  static constexpr std::array kPublished{
      Publish<&TSystemSettings::StrServiceUrl>("StrServiceUrl"),
      Publish<&TSystemSettings::StrFeedBackServiceUrl>("StrFeedBackServiceUrl"),
  };
};

}  // namespace lintrove
