#pragma once

#include <span>
#include <string>

#include "command_line.h"
#include "platform/registry_types.h"

// The subcommands of "reg", each with the arguments after its name.
namespace lintrove::cli {

struct RegKeyName {
  platform::RootKey root;
  std::string path;  // below the root, without leading "\"

  std::string FullName() const;  // "HKEY_LOCAL_MACHINE\SOFTWARE\Foo"
};

// "HKLM\Software\Foo", "HKEY_CURRENT_USER", ...
RegKeyName ParseRegKeyName(std::string_view text);
platform::RegistryView ViewFromSwitches(const Switches& switches);

int RegQuery(std::span<const std::string> args, CommandContext& context);
int RegAdd(std::span<const std::string> args, CommandContext& context);
int RegDelete(std::span<const std::string> args, CommandContext& context);
int RegImport(std::span<const std::string> args, CommandContext& context);
int RegExport(std::span<const std::string> args, CommandContext& context);

}  // namespace lintrove::cli
