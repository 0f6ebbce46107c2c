#pragma once

#include <span>
#include <string>

#include "command_line.h"
#include "platform/installer_database.h"

namespace lintrove::cli {

// "check [--service HOST/PATH] [--ssl | --no-ssl] [--json]": the update check without windows.
// Takes the inventory of the machine, asks the service for its verdicts on every program that
// is not ignored and prints them sorted by name. Returns the exit status: 0 when the check
// completed (and its time was stored), 1 when it did not.
int RunCheckCommand(std::span<const std::string> args, CommandContext& context,
                    platform::InstallerDatabase& installer);

}  // namespace lintrove::cli
