// The program the shell tests start. It writes its own path and its arguments as its C run-time
// splits them, one per line in UTF-8, to the file named by LINTROVE_SHELL_PROBE_OUTPUT, then
// signals the named event LINTROVE_SHELL_PROBE_EVENT, for which the test waits.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/wide_text.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(value, length) : std::wstring();
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  using lintrove::platform::Narrow;
  const std::wstring output = Environment(L"LINTROVE_SHELL_PROBE_OUTPUT");
  const std::wstring eventName = Environment(L"LINTROVE_SHELL_PROBE_EVENT");
  if (output.empty() || eventName.empty()) return 2;

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::string lines = Narrow(self) + "\n";
  for (int i = 1; i < argc; ++i) lines += Narrow(argv[i]) + "\n";
  std::ofstream(std::filesystem::path(output), std::ios::binary) << lines;

  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str());
  if (!event) return 3;
  SetEvent(event);
  CloseHandle(event);
  return 0;
}
