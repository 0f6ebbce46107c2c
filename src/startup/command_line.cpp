#include "startup/command_line.h"

#include "base/text.h"

namespace lintrove {

bool IsReminderSwitch(std::string_view argument) {
  if (argument.empty() || (argument.front() != '/' && argument.front() != '-')) return false;
  return EqualsIgnoringAsciiCase(argument.substr(1), "reminder");
}

StartupOptions ParseStartupArguments(std::span<const std::string> arguments) {
  StartupOptions options;
  for (const std::string& argument : arguments) {
    if (IsReminderSwitch(argument)) {
      options.reminder = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    }
  }
  return options;
}

std::optional<std::string> WinePrefixArgument(std::span<const std::string> arguments) {
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == "--wine-prefix") return arguments[i + 1];
  }
  return std::nullopt;
}

}  // namespace lintrove
