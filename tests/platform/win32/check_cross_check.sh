#!/bin/sh
# check_cross_check.sh WINE_RUN PREFIX WINDOWS_CLI HOST_CLI RECORDER WORK_DIR
#
# The Windows lintrove-cli (WinHTTP) and the Linux one (libcurl) run `check` on the same programs
# against one recording update service on 127.0.0.1: their requests must be the same bytes and
# their verdicts the same. The Linux build's registry store is given what the Windows build read
# from Wine's: the client's settings (its GUID), the Windows version and what the inventory reads
# (copy_inventory.sh); both run in the same language.
set -eu
wine_run=$1 prefix=$2 windows_cli=$3 host_cli=$4 recorder=$5 work=$6

rm -rf "$work"
mkdir -p "$work/store"
cd "$work"

windows() { "$wine_run" "$prefix" "$windows_cli" "$@"; }

cat >entries.reg <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LintroveCheckCross.Old]
"DisplayName"="Lintrove Prüfprogramm"
"DisplayVersion"="1.0"
"Publisher"="Lintrove Prüfstand"
"UninstallString"="\"C:\\Program Files\\Lintrove Prüfprogramm\\uninstall.exe\""

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LintroveCheckCross.Unknown]
"DisplayName"="Lintrove Unbekannt"
"DisplayVersion"="3.1"
"UninstallString"="C:\\Unbekannt\\uninstall.exe"
REG

"$recorder" port requests.log 'Lintrove Prüfprogramm=1.0,2.5' &
recorder_pid=$!
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
cleanup() {
  kill "$recorder_pid" 2>/dev/null || true
  windows reg delete "$uninstall\LintroveCheckCross.Old" /f /reg:64 >/dev/null 2>&1 || true
  windows reg delete "$uninstall\LintroveCheckCross.Unknown" /f /reg:64 >/dev/null 2>&1 || true
}
trap cleanup EXIT
tries=0
until [ -s port ]; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || { echo "the recording service did not start" >&2; exit 1; }
  sleep 0.1
done
service="127.0.0.1:$(cat port)/updateservice1400.php"

windows reg import entries.reg /reg:64

LC_ALL=en_US.UTF-8
export LC_ALL
# The Windows C runtime ends lines with CR LF on standard output.
windows check --service "$service" --no-ssl --json | tr -d '\r' >windows.json
mv requests.log windows-requests.log

windows reg export 'HKCU\Software\Dorv\Lintrove' settings.reg /y >/dev/null
windows reg export 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion' version.reg /y /reg:64 >/dev/null
sh "$(dirname "$0")/copy_inventory.sh" "$wine_run" "$prefix" "$windows_cli" "$host_cli" store
for file in settings version; do
  "$host_cli" --registry-dir store reg import "$file.reg" >/dev/null
done
"$host_cli" --registry-dir store check --service "$service" --no-ssl --json >linux.json
mv requests.log linux-requests.log

grep -q 'Lintrove Prüfprogramm' windows.json || { echo "no verdict for the test program" >&2; exit 1; }
diff -u windows.json linux.json

# The builds tell the service which system they run on, so that it offers a setup of theirs:
# that attribute alone differs, by design, and with it the length of that request (the bodies
# are still compared byte for byte).
grep -q ' System="windows-' windows-requests.log || { echo "no System in the request" >&2; exit 1; }
for build in windows linux; do
  sed -e 's/ System="[^"]*"//' -e '/^Content-Length: /d' "$build-requests.log" \
    >"$build-requests.tmp"
  mv "$build-requests.tmp" "$build-requests.log"
done
if ! cmp windows-requests.log linux-requests.log; then
  diff -u windows-requests.log linux-requests.log | cat -A >&2
  exit 1
fi
grep -q 'CDATA\[step1\]' windows-requests.log || { echo "no step1 request was recorded" >&2; exit 1; }
