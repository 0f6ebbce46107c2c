#!/bin/sh
# check_cross_check.sh WINE_RUN PREFIX WINDOWS_CLI HOST_CLI RECORDER WORK_DIR
#
# The Windows lintrove-cli (WinHTTP) and the Linux one (libcurl) run `check` on the same programs
# against one recording update service on 127.0.0.1: their requests must be the same bytes and
# their verdicts the same. Only the machine facts of the client element differ between the two
# systems (its GUID, language, Windows version and whether Windows is 64-bit, so also the
# length of the requests that carry the version); they are masked, and only there.
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

windows reg import entries.reg
"$host_cli" --registry-dir store reg import entries.reg >/dev/null

# The Windows C runtime ends lines with CR LF on standard output.
windows check --service "$service" --no-ssl --json | tr -d '\r' >windows.json
mv requests.log windows-requests.log
"$host_cli" --registry-dir store check --service "$service" --no-ssl --json >linux.json
mv requests.log linux-requests.log

grep -q 'Lintrove Prüfprogramm' windows.json || { echo "no verdict for the test program" >&2; exit 1; }
diff -u windows.json linux.json

# The first request, the reachability check, carries nothing of the machine: all its bytes agree.
first() { sed -n '1,/^=====$/p' "$1"; }
first windows-requests.log >windows-first.txt
first linux-requests.log >linux-first.txt
cmp windows-first.txt linux-first.txt
mask() {
  awk 'BEGIN { RS = "=====\n"; ORS = "=====\n" }
       /WindowsVersion="/ { gsub(/Content-Length: [0-9]+/, "Content-Length: ...") }
       { gsub(/ Guid="[^"]*"/, " Guid=\"...\""); gsub(/ LCID="[^"]*"/, " LCID=\"...\"")
         gsub(/ WindowsVersion="[^"]*"/, " WindowsVersion=\"...\""); gsub(/ win64="[01]"/, " win64=\"...\"")
         print }' "$1" >"$1.masked"
}
mask windows-requests.log
mask linux-requests.log
cmp windows-requests.log.masked linux-requests.log.masked || {
  diff -u windows-requests.log.masked linux-requests.log.masked | cat -A >&2
  exit 1
}
