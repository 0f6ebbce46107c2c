#!/bin/sh
# with_service.sh SERVICE WORK_DIR COMMAND [ARGUMENT...]
#
# Runs a window test against the Linux build's update service on a free port of 127.0.0.1, with a
# catalog of its own: the address goes to the test in LINTROVE_TEST_SERVICE, which Wine hands on
# to a Windows program.
set -eu
service=$1 work=$2
shift 2
rm -rf "$work"
mkdir -p "$work"
"$service" --database "$work/catalog.db" --port 0 >"$work/address" 2>"$work/service.log" &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null || true' EXIT
tries=0
until [ -s "$work/address" ]; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || { echo "the update service did not start" >&2; cat "$work/service.log" >&2; exit 1; }
  sleep 0.1
done
LINTROVE_TEST_SERVICE=$(head -n 1 "$work/address")
export LINTROVE_TEST_SERVICE
"$@"
