#pragma once

#include <string>
#include <string_view>

namespace lintrove::test {

// The text of a regedit export that stands for a Windows machine, for tests that write one.

// The keys that make a machine 64-bit, and the Uninstall keys of its two views.
inline constexpr std::string_view kWow64Node = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node]\r\n";
inline constexpr std::string_view kUninstall64 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr std::string_view kUninstall32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// One key with its value lines: Key(kUninstall64, "Tool", "\"DisplayName\"=\"Tool\"").
inline std::string Key(std::string_view parent, std::string_view name, std::string_view values) {
  return "[" + std::string(parent) + std::string(name) + "]\r\n" + std::string(values) + "\r\n\r\n";
}

}  // namespace lintrove::test
