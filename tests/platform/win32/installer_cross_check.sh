#!/bin/sh
# installer_cross_check.sh WINE_RUN PREFIX WINDOWS_CLI HOST_CLI WORK_DIR
#
# The installer's registrations and the Uninstall keys, exported from the Wine prefix with the
# Windows lintrove-cli and imported into a fresh registry store on Linux, must give the same
# inventory as msi.dll and the Win32 registry give on Windows: the two scans must be equal.
set -eu
wine_run=$1 prefix=$2 windows_cli=$3 host_cli=$4 work=$5

rm -rf "$work"
mkdir -p "$work/store"
cd "$work"

windows() { "$wine_run" "$prefix" "$windows_cli" "$@"; }

# Beside the packages' own entries, two plain Uninstall entries, one in each view, with the value
# types the registry finder turns into text.
cat >entries.reg <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LintroveCrossCheck.Native]
"DisplayName"=" Lintrove Querprüfung 64 "
"DisplayVersion"="6.4.1"
"Publisher"="Lintrove Prüfstand"
"DisplayIcon"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,00,6c,00,\
  65,00,73,00,25,00,5c,00,71,00,2e,00,65,00,78,00,65,00,00,00
"VersionMajor"=dword:00000006
"URLInfoAbout"=hex:68,00,74,00,74,00,70,00
"UninstallString"="\"C:\\Program Files\\Lintrove\\uninstall.exe\" /S"

[HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall\LintroveCrossCheck.Wow]
"DisplayName"="Lintrove Querprüfung 32"
"VersionMinor"=dword:ffffffff
"UninstallString"=""
REG
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
wow_uninstall='HKLM\SOFTWARE\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
remove_entries() {
  windows reg delete "$uninstall\LintroveCrossCheck.Native" /f /reg:64 >/dev/null || true
  windows reg delete "$wow_uninstall\LintroveCrossCheck.Wow" /f /reg:64 >/dev/null || true
}
trap remove_entries EXIT
windows reg import entries.reg

sh "$(dirname "$0")/copy_inventory.sh" "$wine_run" "$prefix" "$windows_cli" "$host_cli" store

# The Windows C runtime ends lines with CR LF on standard output.
windows scan --json --extended | tr -d '\r' >windows.json
"$host_cli" --registry-dir store scan --json --extended >linux.json

if ! grep -Eq '"class": ?"tWindowsInstallerProgramm"' windows.json; then
  echo "no installer products in the Wine prefix: are the test packages installed?" >&2
  exit 1
fi
diff -u windows.json linux.json
