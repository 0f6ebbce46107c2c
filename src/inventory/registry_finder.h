#pragma once

#include <array>
#include <string>
#include <string_view>

#include "inventory/program.h"
#include "platform/registry.h"

namespace lintrove {

// The programs registered under HKEY_LOCAL_MACHINE's Uninstall key, in both views on a 64-bit
// machine (the 32-bit programs first). Leaves out what the installer finder, run before on the
// same list, covers already, system components and updates of a parent entry.
class RegistryFinder : public ProgramFinder {
 public:
  static constexpr std::string_view UninstallKey =
      "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  // Read into a program's properties of the same names, in this order.
  static constexpr std::array<std::string_view, 11> UninstallValueNames{
      "DisplayName",  "DisplayVersion",  "DisplayIcon",     "VersionMajor",
      "VersionMinor", "InstallLocation", "UninstallString", "UninstallDir",
      "Publisher",    "URLInfoAbout",    "URLUpdateInfo"};
  static constexpr std::string_view Technology = "Registry";

  explicit RegistryFinder(platform::RegistryBackend& registry = platform::SystemRegistry());

  void Find(ProgramList& list) override;
  // One view's Uninstall key; an absent or unreadable key contributes nothing.
  void ScanView(ProgramList& list, platform::RegistryView view);

  // The text of a value of the registry's current key: strings as stored, DWORDs as signed
  // decimals; other types and absent values have no text. Raises the registry's error for data
  // it refuses.
  static std::string ReadValueAsText(const platform::Registry& registry, std::string_view name);
  // True when list holds an installer product whose ProductName equals name exactly.
  static bool IsInstallerProduct(const ProgramList& list, std::string_view name);

 private:
  platform::RegistryBackend& registry_;
};

}  // namespace lintrove
