#pragma once

#include "inventory/program.h"
#include "platform/installer_database.h"
#include "platform/registry.h"

namespace lintrove {

// How a scan takes the inventory.
struct ScanOptions {
  bool extended_installer_info = false;
  ProgressObserver* progress = nullptr;
};

// Appends every installed program to list, an owning list: the installer's products first, so
// that the registry finder can leave out the Uninstall entries they cover, then the registry's.
void FindInstalledPrograms(ProgramList& list, platform::RegistryBackend& registry,
                           platform::InstallerDatabase& installer, const ScanOptions& options);

}  // namespace lintrove
