#include "settings/system_settings.h"

namespace lintrove {

SystemSettings::SystemSettings(platform::RegistryBackend& backend)
    : PublishedClass(platform::RootKey::LocalMachine, backend) {}

}  // namespace lintrove
