#include "machine_option.h"

namespace lintrove::cli {

InventoriedMachine::InventoriedMachine(std::vector<std::string>& args, CommandContext& context,
                                       platform::InstallerDatabase& ownInstaller)
    : ownRegistry_(context.registry), ownInstaller_(ownInstaller) {
  std::optional<std::string> directory;
  for (auto arg = args.begin(); arg != args.end();) {
    if (*arg != kWinePrefixOption) {
      ++arg;
      continue;
    }
    if (directory) throw UsageError("'--wine-prefix' given twice");
    if (arg + 1 == args.end()) throw UsageError("'--wine-prefix' needs a directory");
    directory = *(arg + 1);
    arg = args.erase(arg, arg + 2);
  }
  if (directory) prefix_ = platform::OpenWinePrefix(*directory);
}

platform::RegistryBackend& InventoriedMachine::Registry() const {
  return prefix_ ? prefix_->Registry() : ownRegistry_;
}

platform::InstallerDatabase& InventoriedMachine::Installer() const {
  return prefix_ ? prefix_->Installer() : ownInstaller_;
}

std::optional<std::filesystem::path> InventoriedMachine::WinePrefix() const {
  if (!prefix_) return std::nullopt;
  return prefix_->Directory();
}

}  // namespace lintrove::cli
