#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "localization/localizer.h"
#include "platform/registry.h"
#include "check_command.h"
#include "reg_command.h"
#include "scan_command.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli [--registry-dir DIR] COMMAND [arguments]\n"
    "\n"
    "Commands:\n"
    "  check    ask the update service about the installed programs (check --help)\n"
    "  reg      read and change the registry store (lintrove-cli reg /? for more)\n"
    "  scan     list the installed programs [--json] [--extended] (scan --help)\n"
    "\n"
    "Options:\n"
    "  --registry-dir DIR  the registry store to use (default: $LINTROVE_REGISTRY_DIR,\n"
    "                      else $XDG_DATA_HOME/lintrove/registry)\n"
    "  --language-dir DIR  the language files to use (default: $LINTROVE_LANGUAGE_DIR,\n"
    "                      else Languages beside the program)\n"
    "  --help              show this text\n"
    "  --version           show the version\n";

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::size_t next = 0;
  for (; next < args.size() && args[next].starts_with("--"); ++next) {
    const std::string& option = args[next];
    if (option == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (option == "--version") {
      std::cout << "lintrove-cli " << LINTROVE_VERSION << '\n';
      return 0;
    }
    if (option == "--language-dir" && next + 1 < args.size()) {
      ::setenv("LINTROVE_LANGUAGE_DIR", args[++next].c_str(), 1);
      continue;
    }
    if (option == "--registry-dir" && next + 1 < args.size()) {
      // Read by the registry when it is first used, which is after this point.
      ::setenv("LINTROVE_REGISTRY_DIR", args[++next].c_str(), 1);
      continue;
    }
    std::cerr << "lintrove-cli: unknown option '" << option << "'\n\n" << kUsage;
    return 2;
  }
  if (next >= args.size()) {
    std::cerr << kUsage;
    return 2;
  }
  // Messages read in the user's language, from the desktop client's language files.
  lintrove::TdwsLocalizerInt& localizer = lintrove::Localizer();
  localizer.SetBaseName("lintrove");
  localizer.SetLanguageDir(lintrove::ProgramLanguageDir());
  localizer.LoadUserLanguage(9, false);
  std::span<const std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(next) + 1, args.end());
  if (args[next] == "reg") {
    try {
      lintrove::cli::CommandContext context{lintrove::platform::SystemRegistry(), std::cout,
                                            std::cerr, std::cin, ::isatty(STDIN_FILENO) == 1};
      return lintrove::cli::RunRegCommand(rest, context);
    } catch (const std::exception& error) {
      std::cerr << "ERROR: " << error.what() << '\n';
      return 1;
    }
  }
  if (args[next] == "check") {
    try {
      lintrove::cli::CommandContext context{lintrove::platform::SystemRegistry(), std::cout,
                                            std::cerr, std::cin, ::isatty(STDIN_FILENO) == 1};
      return lintrove::cli::RunCheckCommand(rest, context,
                                            lintrove::platform::SystemInstallerDatabase());
    } catch (const std::exception& error) {
      std::cerr << "ERROR: " << error.what() << '\n';
      return 1;
    }
  }
  if (args[next] == "scan") {
    try {
      lintrove::cli::CommandContext context{lintrove::platform::SystemRegistry(), std::cout,
                                            std::cerr, std::cin, ::isatty(STDIN_FILENO) == 1};
      return lintrove::cli::RunScanCommand(rest, context,
                                           lintrove::platform::SystemInstallerDatabase(),
                                           ::isatty(STDERR_FILENO) == 1);
    } catch (const std::exception& error) {
      std::cerr << "ERROR: " << error.what() << '\n';
      return 1;
    }
  }
  std::cerr << "lintrove-cli: unknown command '" << args[next] << "'\n\n" << kUsage;
  return 2;
}
