#include "platform/console.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>
#include <memory>

#include "platform/win32/wide_text.h"

namespace lintrove::platform {

// argv holds the arguments in the ANSI code page, which may not have every character of a
// file name; the wide command line has them all.
std::vector<std::string> ProgramArguments(int, char*[]) {
  int count = 0;
  std::unique_ptr<LPWSTR, decltype(&LocalFree)> arguments(
      CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  std::vector<std::string> result;
  for (int i = 1; arguments && i < count; ++i) result.push_back(Narrow(arguments.get()[i]));
  return result;
}

void UseUtf8Console() {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
}

bool IsTerminal(StandardStream stream) {
  const DWORD which = stream == StandardStream::Input    ? STD_INPUT_HANDLE
                      : stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                         : STD_ERROR_HANDLE;
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

void SetProcessEnvironment(std::string_view name, std::string_view value) {
  // The C run-time keeps its own copy of the environment, which getenv reads.
  _wputenv_s(Wide(name).c_str(), Wide(value).c_str());
}

}  // namespace lintrove::platform
