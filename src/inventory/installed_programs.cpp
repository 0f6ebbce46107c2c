#include "inventory/installed_programs.h"

#include "inventory/installer_finder.h"
#include "inventory/registry_finder.h"

namespace lintrove {

void FindInstalledPrograms(ProgramList& list, platform::RegistryBackend& registry,
                           platform::InstallerDatabase& installer, const ScanOptions& options) {
  // The whole scan reads one state of the registry (on Linux the installer's products too).
  const auto hold = registry.HoldState();
  InstallerFinder installerFinder(installer);
  installerFinder.extended_info = options.extended_installer_info;
  installerFinder.progress = options.progress;
  installerFinder.Find(list);
  RegistryFinder registryFinder(registry);
  registryFinder.progress = options.progress;
  registryFinder.Find(list);
}

}  // namespace lintrove
