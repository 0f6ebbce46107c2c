#pragma once

#include <filesystem>
#include <memory>

#include "platform/installer_database.h"
#include "platform/machine_files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace lintrove::platform {

// A Wine prefix as a Windows machine whose programs are inventoried: its registry and its
// installer's registrations, read from the prefix's files and never written.
class WinePrefix {
 public:
  virtual ~WinePrefix() = default;
  virtual const std::filesystem::path& Directory() const = 0;
  virtual RegistryBackend& Registry() = 0;
  virtual InstallerDatabase& Installer() = 0;
  // Its files as its programs name them: its own drives (dosdevices), whatever $WINEPREFIX says,
  // and the environment its registry defines.
  virtual const MachineFiles& Files() const = 0;
  // Starts its programs (an uninstaller) through Wine in this prefix; addresses and documents
  // open as the system's shell opens them.
  virtual Shell& Programs() = 0;
};

// Throws Error for a directory that is no Wine prefix, and on Windows, which reads no prefixes.
std::unique_ptr<WinePrefix> OpenWinePrefix(const std::filesystem::path& directory);

}  // namespace lintrove::platform
