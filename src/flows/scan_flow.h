#pragma once

#include "base/progress.h"
#include "platform/installer_database.h"
#include "platform/registry.h"
#include "protocol/verdict_records.h"

namespace lintrove {

// Takes the machine's inventory: the installer's products first, so that the Uninstall entries
// they cover are left out, then the Uninstall entries. Every program comes in a fresh record
// without a verdict. A source's error or the observer's cancel ends the scan with nothing
// returned, so a caller keeps its previous records until a scan has finished.
VerdictList ScanInventory(platform::RegistryBackend& registry,
                          platform::InstallerDatabase& installer, bool extended_installer_info,
                          ProgressObserver* progress);

}  // namespace lintrove
