#pragma once

#include <span>
#include <string>

#include "command_line.h"
#include "platform/installer_database.h"

namespace lintrove::cli {

// "scan [--json] [--extended]": the machine's inventory in scan order, as a table or as JSON
// with every published property. showProgress: where the scan stands, on context.err (a
// terminal). Returns the exit status.
int RunScanCommand(std::span<const std::string> args, CommandContext& context,
                   platform::InstallerDatabase& installer, bool showProgress);

}  // namespace lintrove::cli
