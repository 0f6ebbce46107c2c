#!/bin/sh
# with_host_server.sh SERVER WORK_DIR COMMAND [ARGUMENT...]
#
# Runs a Windows test under Wine against the Linux build's scenario server: the server's ports go
# to the test in LINTROVE_HOST_HTTP, which Wine hands on to the Windows program.
set -eu
server=$1 work=$2
shift 2
rm -rf "$work"
mkdir -p "$work"
"$server" "$work/ports" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true' EXIT
tries=0
until [ -s "$work/ports" ]; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || { echo "the scenario server did not start" >&2; exit 1; }
  sleep 0.1
done
LINTROVE_HOST_HTTP=$(cat "$work/ports")
export LINTROVE_HOST_HTTP
"$@"
