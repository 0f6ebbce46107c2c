#include "inventory/platform_facts.h"

#include "base/format.h"
#include "base/text.h"
#include "platform/system_info.h"

namespace lintrove {

bool IsWindows64(platform::RegistryBackend& registry) {
  return platform::IsWindows64Machine(registry);
}

std::string GetWindowsVersionString(platform::RegistryBackend& registry) {
  auto version = platform::MachineWindowsVersion(registry);
  // Split so that "??-" is not read as a trigraph.
  if (!version)
    return "-??"
           "?-";
  return std::string(Trim(Format("%u.%u.%u %u %s", version->major, version->minor, version->build,
                                 version->platformId, version->servicePack)));
}

}  // namespace lintrove
