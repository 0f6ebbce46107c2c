#!/bin/sh
# installed_setup_check.sh WINE_RUN PREFIX SETUP VERSION BUILD_CLI
#
# Lintrove's Windows setup, installed into the Wine prefix by msiexec /qn as an administrator
# would: its lintrove-cli finds Lintrove itself among the installed programs, with its version,
# speaks the language of its installed language files, and the Uninstall entry and Start-menu
# entry are there; after msiexec /x nothing of it is left.
set -eu
wine_run=$1 prefix=$2 setup=$3 version=$4 build_cli=$5

windows() { "$wine_run" "$prefix" "$@"; }
installed="$prefix/drive_c/Program Files/Lintrove"
# Wine's msiexec puts the entry of a per-machine setup into the installing user's Start menu.
start_menus="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs
$prefix/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
start_menu_entries() { printf '%s\n' "$start_menus" | while IFS= read -r menu; do ls "$menu" 2>/dev/null; done; }
fail() { echo "$*" >&2; exit 1; }

cd "$(dirname "$setup")"
setup_name=$(basename "$setup")
windows msiexec /x "$setup_name" /qn >/dev/null 2>&1 || true
windows msiexec /i "$setup_name" /qn

[ -f "$installed/lintrove-cli.exe" ] || fail "lintrove-cli.exe is not installed"
[ -f "$installed/Languages/lintrove.0009.wlx" ] || fail "the English language file is not installed"
[ -f "$installed/Languages/lintrove.0007.wlx" ] || fail "the German language file is not installed"
start_menu_entries | grep -q '^Lintrove (command line)\.lnk$' || fail "no Start-menu entry"

cli='C:\Program Files\Lintrove\lintrove-cli.exe'
# The Windows C runtime ends lines with CR LF.
windows "$cli" scan | tr -d '\r' >scan.txt
grep -Eq " Lintrove +$version +Dorv *\$" scan.txt || { cat scan.txt >&2; fail "the scan does not list Lintrove $version"; }

# Its Uninstall entry, as Windows' "Programs and Features" shows it.
product=$(windows "$cli" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:64 |
  tr -d '\r' | awk '/^HKEY/ { key = $0 } /DisplayName/ && /Lintrove$/ { print key }')
[ -n "$product" ] || fail "no Uninstall entry named Lintrove"
windows "$cli" reg query "$product" /reg:64 | tr -d '\r' >entry.txt
for value in "DisplayVersion.*$version" 'Publisher.*Dorv'; do
  grep -q "$value" entry.txt || { cat entry.txt >&2; fail "the Uninstall entry lacks $value"; }
done
# The icon "Programs and Features" shows for an installer product is its registered ProductIcon.
windows "$cli" reg query 'HKLM\SOFTWARE\Classes\Installer\Products' /s /reg:64 | tr -d '\r' |
  awk '/^HKEY/ { icon = "" } /ProductIcon/ { icon = $NF } /ProductName/ && / Lintrove$/ { print icon }' \
  >icon.txt
grep -q 'LintroveIcon$' icon.txt || fail "the product registers no icon"
icon_path=$(sed 's|^C:|drive_c|; s|\\|/|g' icon.txt)
[ -s "$prefix/$icon_path" ] || fail "the product's icon file is missing: $icon_path"

# Installed, it finds its English language file (an empty registry names no service).
LC_ALL=en_US.UTF-8 windows "$cli" check 2>&1 | tr -d '\r' >check.txt || true
grep -q 'An error occurred while connecting to the server' check.txt ||
  { cat check.txt >&2; fail "the installed language files are not used"; }

windows msiexec /x "$setup_name" /qn
[ ! -e "$installed" ] || fail "files are left after the uninstall: $(ls -R "$installed")"
! start_menu_entries | grep -q '^Lintrove' || fail "the Start-menu entry is left after the uninstall"
windows "$build_cli" scan 2>/dev/null | grep -Eq ' Lintrove +[0-9]' && fail "Lintrove is still listed"
echo "installed, found and removed: Lintrove $version"
