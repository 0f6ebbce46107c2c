#include "platform/system_info.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <winver.h>

#include <system_error>
#include <vector>

#include "base/error.h"
#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

// GetModuleFileNameW reports a path longer than its buffer only by filling the buffer; the
// longest path the system knows is 32767 characters.
constexpr DWORD kLongestPath = 32768;

// An entry of a system library that not every Windows has, or that the headers do not declare.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
  const HMODULE handle = GetModuleHandleW(module);
  if (!handle) return nullptr;
  // The detour through a pointer to a function without parameters keeps the compiler from
  // warning about the cast between unrelated function types, which is the point here.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

std::string LastErrorText() {
  return std::system_category().message(static_cast<int>(GetLastError()));
}

}  // namespace

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw Error("Der Pfad des Programms ist unbekannt: " + LastErrorText());
    if (length < path.size()) {
      path.resize(length);
      return Narrow(path);
    }
    if (path.size() >= kLongestPath) {
      throw Error("Der Pfad des Programms ist unbekannt: " + LastErrorText());
    }
    path.resize(path.size() * 2);
  }
}

std::optional<FileVersion> ExecutableFileVersion(const std::string& path) {
  const std::wstring file = Wide(path);
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &unused);
  if (size == 0) return std::nullopt;
  std::vector<std::byte> info(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, info.data())) return std::nullopt;
  void* block = nullptr;
  UINT blockSize = 0;
  if (!VerQueryValueW(info.data(), L"\\", &block, &blockSize) ||
      blockSize < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
  // The system hands back whatever the resource holds; a wrong signature means it is no version.
  if (fixed->dwSignature != VS_FFI_SIGNATURE) return std::nullopt;
  return FileVersion{fixed->dwFileVersionMS, fixed->dwFileVersionLS};
}

std::optional<FileVersion> ProgramFileVersion() {
  try {
    return ExecutableFileVersion(ExecutablePath());
  } catch (const Error&) {
    return std::nullopt;
  }
}

bool IsWindows64Machine(RegistryBackend&) {
#ifdef _WIN64
  // A 64-bit program runs on 64-bit Windows only.
  return true;
#else
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64Process =
      SystemFunction<IsWow64ProcessFunction>(L"kernel32.dll", "IsWow64Process");
  if (!isWow64Process) return false;
  BOOL wow64 = FALSE;
  if (!isWow64Process(GetCurrentProcess(), &wow64)) {
    throw Error("IsWindows64: bad process handle");
  }
  return wow64 != FALSE;
#endif
}

std::string_view SetupSystem() {
#if defined(_WIN64)
  return "windows-x86_64";
#else
  return "windows-x86";
#endif
}

// GetVersionEx reports the version the program declares in its manifest as supported, 6.2 for
// a program without one on every Windows since 8.1; the kernel's own RtlGetVersion tells the
// truth.
std::optional<WindowsVersion> MachineWindowsVersion(RegistryBackend&) {
  using RtlGetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  const auto rtlGetVersion = SystemFunction<RtlGetVersionFunction>(L"ntdll.dll", "RtlGetVersion");
  if (!rtlGetVersion) return std::nullopt;
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtlGetVersion(&info) != 0) return std::nullopt;
  return WindowsVersion{.major = info.dwMajorVersion,
                        .minor = info.dwMinorVersion,
                        .build = info.dwBuildNumber,
                        .platformId = info.dwPlatformId,
                        .servicePack = Narrow(info.szCSDVersion)};
}

bool RunsUnderWine() {
  // Wine's ntdll exports its version; Microsoft's has no such entry.
  return SystemFunction<const char* (*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
}

std::string HostName() {
  wchar_t name[256] = {};
  DWORD size = 256;
  if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return {};
  return Narrow(std::wstring_view(name, size));
}

}  // namespace lintrove::platform
