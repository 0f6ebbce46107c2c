#pragma once

#include <span>
#include <string>

#include "command_line.h"
#include "platform/installer_database.h"

namespace lintrove::cli {

// "ignore list [--json] | add NAME-OR-IDENTIFIER | remove NAME-OR-IDENTIFIER": the ignore marks
// the program list keeps, listed and changed against the machine's inventory. Returns the exit
// status.
int RunIgnoreCommand(std::span<const std::string> args, CommandContext& context,
                     platform::InstallerDatabase& installer);

}  // namespace lintrove::cli
