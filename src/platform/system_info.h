#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lintrove::platform {

class RegistryBackend;

// The full path of the running executable, as the system reports it for the process.
std::string ExecutablePath();

// The version of the Windows whose inventory is taken, as GetVersionEx reports it.
struct WindowsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = 0;
  std::string servicePack;
};

// On Windows, the system's answers. On Linux the registry store stands for the Windows machine:
// it is 64-bit when HKLM\SOFTWARE\WOW6432Node exists, and its version is the one recorded under
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion; a store without one gives the host's kernel
// version (platform 2, the system's name as the service-pack text). None when the system gives
// no version.
bool IsWindows64Machine(RegistryBackend& registry);
std::optional<WindowsVersion> MachineWindowsVersion(RegistryBackend& registry);

}  // namespace lintrove::platform
