#include "shell_probe.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <sstream>
#include <stdexcept>

#include "platform/win32/wide_text.h"

namespace lintrove::test {
namespace {

constexpr DWORD kStartTimeoutMs = 60'000;

std::filesystem::path ThisProgramsDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

}  // namespace

ShellProbe::ShellProbe()
    : program_(dir_ / "Mein Programm" / "Probe Deinstallation.exe"), output_(dir_ / "started.txt") {
  std::filesystem::create_directory(program_.parent_path());
  std::filesystem::copy_file(ThisProgramsDirectory() / LINTROVE_SHELL_PROBE, program_);
  const std::wstring eventName =
      L"Local\\LintroveShellProbe-" + std::to_wstring(GetCurrentProcessId());
  event_ = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
  if (!event_) throw std::runtime_error("cannot create the probe's event");
  // Inherited by every program the test starts, whichever way.
  SetEnvironmentVariableW(L"LINTROVE_SHELL_PROBE_EVENT", eventName.c_str());
  SetEnvironmentVariableW(L"LINTROVE_SHELL_PROBE_OUTPUT", output_.wstring().c_str());
}

ShellProbe::~ShellProbe() {
  SetEnvironmentVariableW(L"LINTROVE_SHELL_PROBE_EVENT", nullptr);
  SetEnvironmentVariableW(L"LINTROVE_SHELL_PROBE_OUTPUT", nullptr);
  CloseHandle(event_);
}

std::string ShellProbe::Program() const { return platform::Narrow(program_.wstring()); }

std::vector<std::string> ShellProbe::WaitForStart() {
  if (WaitForSingleObject(event_, kStartTimeoutMs) != WAIT_OBJECT_0) return {};
  ResetEvent(event_);
  std::istringstream lines(ReadFileBytes(output_));
  std::vector<std::string> result;
  for (std::string line; std::getline(lines, line);) result.push_back(line);
  return result;
}

}  // namespace lintrove::test
