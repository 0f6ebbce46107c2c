#pragma once

#include <string>

#include "platform/registry.h"

namespace lintrove {

// True when the machine whose inventory is taken is a 64-bit Windows: its Uninstall key then has
// a 32-bit and a 64-bit view. Asks anew on every call.
bool IsWindows64(platform::RegistryBackend& registry = platform::SystemRegistry());

// "major.minor.build platform service-pack", trimmed; "-???-" when the system gives no version.
std::string GetWindowsVersionString(
    platform::RegistryBackend& registry = platform::SystemRegistry());

}  // namespace lintrove
