#pragma once

#include <span>
#include <string>

#include "command_line.h"

namespace lintrove::cli {

// Exit status of "update" when the service offers a newer Lintrove (0: this one is the newest).
inline constexpr int kNewerClientOffered = 100;

// "update [--download DIR] [--service HOST/PATH] [--ssl | --no-ssl]": asks the service whether
// a newer Lintrove exists and prints this version and the newest. With --download, saves the
// newer one's setup into DIR once its SHA-256 and its signature by the release key are checked;
// it never starts it. A setup that fails a check leaves no file and the status 1.
int RunUpdateCommand(std::span<const std::string> args, CommandContext& context);

}  // namespace lintrove::cli
