#include <exception>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "ignore_command.h"
#include "localization/localizer.h"
#include "platform/console.h"
#include "platform/installer_database.h"
#include "platform/registry.h"
#include "reg_command.h"
#include "scan_command.h"
#ifdef LINTROVE_WITH_CHECK_COMMAND
#include "check_command.h"
#include "update_command.h"
#endif

namespace {

using lintrove::platform::IsTerminal;
using lintrove::platform::StandardStream;

constexpr std::string_view kUsage =
    "Usage: lintrove-cli [--registry-dir DIR] COMMAND [arguments]\n"
    "\n"
    "Commands:\n"
#ifdef LINTROVE_WITH_CHECK_COMMAND
    "  check    ask the update service about the installed programs (check --help)\n"
#endif
    "  ignore   list, add or remove ignored programs (ignore --help)\n"
    "  reg      read and change the registry (lintrove-cli reg /? for more)\n"
    "  scan     list the installed programs [--json] [--extended] (scan --help)\n"
#ifdef LINTROVE_WITH_CHECK_COMMAND
    "  update   ask whether a newer Lintrove exists [--download DIR] (update --help)\n"
#endif
    "\n"
    "Options:\n"
#ifndef _WIN32
    "  --registry-dir DIR  the registry store to use (default: $LINTROVE_REGISTRY_DIR,\n"
    "                      else $XDG_DATA_HOME/lintrove/registry)\n"
#endif
    "  --language-dir DIR  the language files to use (default: $LINTROVE_LANGUAGE_DIR,\n"
    "                      else Languages beside the program)\n"
    "  --help              show this text\n"
    "  --version           show the version\n";

using Command = std::function<int(std::span<const std::string>, lintrove::cli::CommandContext&)>;

Command FindCommand(std::string_view name) {
  using namespace lintrove;
  if (name == "reg") return cli::RunRegCommand;
  if (name == "ignore") {
    return [](std::span<const std::string> args, cli::CommandContext& context) {
      return cli::RunIgnoreCommand(args, context, platform::SystemInstallerDatabase());
    };
  }
  if (name == "scan") {
    return [](std::span<const std::string> args, cli::CommandContext& context) {
      return cli::RunScanCommand(args, context, platform::SystemInstallerDatabase(),
                                 IsTerminal(StandardStream::Error));
    };
  }
#ifdef LINTROVE_WITH_CHECK_COMMAND
  if (name == "check") {
    return [](std::span<const std::string> args, cli::CommandContext& context) {
      return cli::RunCheckCommand(args, context, platform::SystemInstallerDatabase());
    };
  }
  if (name == "update") return cli::RunUpdateCommand;
#endif
  return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  lintrove::platform::UseUtf8Console();
  const std::vector<std::string> args = lintrove::platform::ProgramArguments(argc, argv);
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
      lintrove::platform::SetProcessEnvironment("LINTROVE_LANGUAGE_DIR", args[++next]);
      continue;
    }
#ifndef _WIN32
    if (option == "--registry-dir" && next + 1 < args.size()) {
      // Read by the registry when it is first used, which is after this point.
      lintrove::platform::SetProcessEnvironment("LINTROVE_REGISTRY_DIR", args[++next]);
      continue;
    }
#endif
    std::cerr << "lintrove-cli: unknown option '" << option << "'\n\n" << kUsage;
    return 2;
  }
  if (next >= args.size()) {
    std::cerr << kUsage;
    return 2;
  }
  const Command command = FindCommand(args[next]);
  if (!command) {
    std::cerr << "lintrove-cli: unknown command '" << args[next] << "'\n\n" << kUsage;
    return 2;
  }
  // Messages read in the user's language, from the desktop client's language files.
  lintrove::LanguageFileLocalizer& localizer = lintrove::ProcessLocalizer();
  localizer.SetBaseName("lintrove");
  localizer.SetLanguageDir(lintrove::ProgramLanguageDir());
  localizer.LoadUserLanguage(lintrove::FallbackLanguage, false);
  try {
    lintrove::cli::CommandContext context{lintrove::platform::SystemRegistry(), std::cout,
                                          std::cerr, std::cin, IsTerminal(StandardStream::Input)};
    return command(std::span(args).subspan(next + 1), context);
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
    return 1;
  }
}
