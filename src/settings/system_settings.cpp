#include "settings/system_settings.h"

namespace lintrove {

TSystemSettings::TSystemSettings(platform::RegistryBackend& backend)
    : PublishedClass(platform::RootKey::LocalMachine, backend) {}

}  // namespace lintrove
