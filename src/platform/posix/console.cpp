#include "platform/console.h"

#include <unistd.h>

#include <cstdlib>

namespace lintrove::platform {

std::vector<std::string> ProgramArguments(int argc, char* argv[]) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// Terminals take the bytes as they are; the locale decides how they show.
void UseUtf8Console() {}

bool IsTerminal(StandardStream stream) {
  const int descriptor = stream == StandardStream::Input    ? STDIN_FILENO
                         : stream == StandardStream::Output ? STDOUT_FILENO
                                                            : STDERR_FILENO;
  return ::isatty(descriptor) == 1;
}

void SetProcessEnvironment(std::string_view name, std::string_view value) {
  ::setenv(std::string(name).c_str(), std::string(value).c_str(), 1);
}

}  // namespace lintrove::platform
