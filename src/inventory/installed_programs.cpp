#include "inventory/installed_programs.h"

#include "inventory/installer_finder.h"
#include "inventory/registry_finder.h"

namespace lintrove {

void FindInstalledPrograms(tProgrammeListe& aListe, platform::RegistryBackend& registry,
                           platform::InstallerDatabase& installer, const ScanOptions& options) {
  tWindowsInstallerProgrammFinder installerFinder(installer);
  installerFinder.ExtendedInfo = options.extendedInstallerInfo;
  installerFinder.OnProgress = options.onProgress;
  installerFinder.Find(aListe);
  tRegistryProgrammFinder registryFinder(registry);
  registryFinder.OnProgress = options.onProgress;
  registryFinder.Find(aListe);
}

}  // namespace lintrove
