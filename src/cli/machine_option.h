#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "command_line.h"
#include "platform/installer_database.h"
#include "platform/wine_prefix.h"

namespace lintrove::cli {

inline constexpr std::string_view kWinePrefixOption = "--wine-prefix";

// The machine a command takes the inventory of: this one, or the Wine prefix named by
// "--wine-prefix DIR". Settings and ignore marks stay in the command's own registry either way.
class InventoriedMachine {
 public:
  // Takes "--wine-prefix DIR" out of args, wherever it stands. Throws UsageError for the option
  // without its directory or given twice, Error for a directory that is no Wine prefix.
  InventoriedMachine(std::vector<std::string>& args, CommandContext& context,
                     platform::InstallerDatabase& ownInstaller);

  platform::RegistryBackend& Registry() const;
  platform::InstallerDatabase& Installer() const;
  // The prefix's directory; none for this machine.
  std::optional<std::filesystem::path> WinePrefix() const;

 private:
  platform::RegistryBackend& ownRegistry_;
  platform::InstallerDatabase& ownInstaller_;
  std::unique_ptr<platform::WinePrefix> prefix_;
};

}  // namespace lintrove::cli
