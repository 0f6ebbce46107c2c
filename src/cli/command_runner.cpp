#include "command_runner.h"

#include <ostream>

namespace lintrove::cli {

int RunCommand(std::span<const std::string> args, CommandContext& context, std::string_view usage,
               const std::function<int()>& work) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?")) {
    context.out << usage;
    return 0;
  }
  try {
    return work();
  } catch (const UsageError& error) {
    context.err << "ERROR: " << error.what() << "\n\n" << usage;
  } catch (const Abort&) {
    // Stopped by the user, who knows.
  } catch (const Error& error) {
    context.err << "ERROR: " << error.what() << '\n';
  }
  return 1;
}

}  // namespace lintrove::cli
