#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "command_line.h"

namespace lintrove::cli {

// What every command shares around its own work: "--help", "-h" or "/?" as the first argument
// prints the usage; a UsageError prints its message and the usage, any other Error its message,
// both on standard error and with exit status 1. Otherwise the status is the work's.
int RunCommand(std::span<const std::string> args, CommandContext& context, std::string_view usage,
               const std::function<int()>& work);

}  // namespace lintrove::cli
