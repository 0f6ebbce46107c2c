#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGUMENT...]: runs a program of the Windows build under Wine in the
# build's own Wine prefix, so that tests never touch a user's Wine installation. With --fresh
# before PREFIX, the prefix is made anew first.
set -e
if [ "$1" = --fresh ]; then
  shift
  rm -rf "$1"
fi
WINEPREFIX=$1
shift
export WINEPREFIX
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# Without these, a new prefix offers to download .NET and HTML support: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
if command -v wine64 >/dev/null 2>&1; then
  exec wine64 "$@"
fi
exec /usr/lib/wine/wine64 "$@"
