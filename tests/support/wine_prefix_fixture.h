#pragma once

#include <filesystem>
#include <string_view>

#include "support/temp_dir.h"

namespace lintrove::test {

// A 64-bit Wine prefix as Wine writes its registry: one Windows Installer product (registered
// where msi keeps it), one Uninstall entry in each view, Windows 10 (build 19045) and the
// computer's name behind Wine's CurrentControlSet link.
inline constexpr std::string_view kWinePrefixSystemReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Classes\\Installer\\Products\\01C5A2F3D4B712E4A9C6D1E2F3041516] 1733900000
#time=1db4b1a2c3d4e5f
"ProductName"="Alpha Notizblock"
"Version"=dword:01020003
"Language"=dword:00000407

[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\01C5A2F3D4B712E4A9C6D1E2F3041516\\InstallProperties] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Alpha Notizblock"
"DisplayVersion"="1.2.3"
"Publisher"="Alpha Werkstatt GmbH"

[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A5C10-7B4D-4E21-9A6C-1D2E3F405161}] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Alpha Notizblock"
"DisplayVersion"="1.2.3"
"UninstallString"="MsiExec.exe /X{3F2A5C10-7B4D-4E21-9A6C-1D2E3F405161}"

[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Werkzeug] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Werkzeug \x00fc, \"Pro\""
"DisplayVersion"="4.5"
"Publisher"="=Werkstatt"
"UninstallString"="C:\\Werkzeug\\uninstall.exe"

[Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Alt32] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Alt 32"
"DisplayVersion"=str(2):"0.9"
"UninstallString"="C:\\alt\\u.exe"

[Software\\Microsoft\\Windows NT\\CurrentVersion] 1733900000
"CurrentBuildNumber"="19045"
"CurrentMajorVersionNumber"=dword:0000000a
"CurrentMinorVersionNumber"=dword:00000000
"CurrentVersion"="6.3"

[System\\ControlSet001\\Control\\ComputerName\\ComputerName] 1733900000
"ComputerName"="WINEBOX"

[System\\CurrentControlSet] 1733900000
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,45,00,47,00,49,00,53,00,54,00,52,00,59,00,5c,00,4d,00,\
  61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,00,65,00,6d,00,\
  5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,74,00,30,00,30,00,\
  31,00
)";

// Makes `directory` that prefix: kWinePrefixSystemReg and a user.reg without keys.
inline void WriteWinePrefix(const std::filesystem::path& directory) {
  WriteFileBytes(directory / "system.reg", kWinePrefixSystemReg);
  WriteFileBytes(directory / "user.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
}

}  // namespace lintrove::test
