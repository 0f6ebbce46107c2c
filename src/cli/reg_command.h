#pragma once

#include <span>
#include <string>

#include "command_line.h"

namespace lintrove::cli {

// "reg query|add|delete|import|export ...": the registry store in the manner of reg.exe.
// Returns the exit status.
int RunRegCommand(std::span<const std::string> args, CommandContext& context);

}  // namespace lintrove::cli
