#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lintrove {

struct StartupOptions {
  // Started by the log-on entry: ask only when the last check is older than the period.
  bool reminder = false;
  bool help = false;
  bool version = false;
};

// "/" or "-" followed by "reminder" in any letter case, and nothing else.
bool IsReminderSwitch(std::string_view argument);

// The arguments after the program name. Others than these are left to the toolkit (Qt's own
// options) and otherwise ignored, as the log-on entry of an older version may pass them.
StartupOptions ParseStartupArguments(std::span<const std::string> arguments);

// The directory after "--wine-prefix": the window then shows the programs of that Wine prefix.
std::optional<std::string> WinePrefixArgument(std::span<const std::string> arguments);

}  // namespace lintrove
