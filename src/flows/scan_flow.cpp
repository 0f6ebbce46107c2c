#include "flows/scan_flow.h"

#include "inventory/installed_programs.h"

namespace lintrove {

VerdictList ScanInventory(platform::RegistryBackend& registry,
                          platform::InstallerDatabase& installer, bool extended_installer_info,
                          ProgressObserver* progress) {
  ProgramList found;
  FindInstalledPrograms(found, registry, installer, {extended_installer_info, progress});

  VerdictList records;
  for (std::unique_ptr<Program>& program : found.ReleaseAll()) {
    auto record = std::make_unique<ProgramVerdict>();
    record->program = std::move(program);
    records.Add(std::move(record));
  }
  return records;
}

}  // namespace lintrove
