#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/shell.h"
#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

class Win32Shell final : public Shell {
 public:
  bool StartCommandLine(std::string_view commandLine) override {
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return false;
    }
    // Nobody waits for the program: its handles are not needed.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }

  bool ShellOpen(std::string_view file, std::string_view parameters) override {
    const std::wstring wideFile = Wide(file);
    const std::wstring wideParameters = Wide(parameters);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", wideFile.c_str(),
                                     parameters.empty() ? nullptr : wideParameters.c_str(), nullptr,
                                     SW_SHOWNORMAL);
    // Values up to 32 are error codes.
    return reinterpret_cast<INT_PTR>(result) > 32;
  }
};

}  // namespace

Shell& SystemShell() {
  static Win32Shell shell;
  return shell;
}

}  // namespace lintrove::platform
