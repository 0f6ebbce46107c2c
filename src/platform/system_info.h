#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lintrove::platform {

class RegistryBackend;

// The full path of the running executable, as the system reports it for the process.
std::string ExecutablePath();

// A file version as an executable's version resource keeps it: two double words of two 16-bit
// numbers each, the most significant first.
struct FileVersion {
  std::uint32_t mostSignificant = 0;
  std::uint32_t leastSignificant = 0;
};

// The file version of the version resource of an executable (a PE file); none when the file has
// no version resource or it cannot be read.
std::optional<FileVersion> ExecutableFileVersion(const std::string& path);

// The file version the running program carries: on Windows its executable's. Executables on
// Linux carry no version resource; there the version the program was built as stands for it.
std::optional<FileVersion> ProgramFileVersion();

// Whether this Windows program runs under Wine, whose Windows differs from Microsoft's in what a
// program may rely on (its fonts, for one). Never on Linux.
bool RunsUnderWine();

// The name this computer goes by on the network; empty when the system gives none.
std::string HostName();

// The version of the Windows whose inventory is taken, as the system reports it.
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
// The system and processor this program was built for, as the update service chooses a setup
// by it: "windows-x86_64", "windows-x86", "linux-x86_64", ...
std::string_view SetupSystem();
std::optional<WindowsVersion> MachineWindowsVersion(RegistryBackend& registry);

}  // namespace lintrove::platform
