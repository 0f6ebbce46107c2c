#!/usr/bin/env bash
# scripts/deb-src-entries mirrors a machine's apt sources of its release, in both formats, and
# leaves out what is not the release's: disabled entries, other suites, source-only entries.
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/one-line.list" <<'LIST'
# a comment
deb [arch=amd64 signed-by=/usr/share/keyrings/mirror.gpg] http://mirror.test/debian bookworm main contrib # why
deb http://mirror.test/debian-security bookworm-security main
deb-src http://mirror.test/debian bookworm main
deb http://vendor.test/apt vendor-bookworm main
LIST
cat >"$work/deb822.sources" <<'SOURCES'
Types: deb deb-src
URIs: http://other.test/debian
Suites: bookworm bookworm-backports sid
Components: main non-free-firmware
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 key
 -----END PGP PUBLIC KEY BLOCK-----

# switched off
Types: deb
Enabled: no
URIs: http://off.test/debian
Suites: bookworm
Components: main

Types: deb
URIs: http://vendor.test/node
Suites: nodistro
Components: main
SOURCES

expected='Types: deb-src
URIs: http://mirror.test/debian
Suites: bookworm
Components: main contrib
Signed-By: /usr/share/keyrings/mirror.gpg

Types: deb-src
URIs: http://mirror.test/debian-security
Suites: bookworm-security
Components: main

Types: deb-src
URIs: http://other.test/debian
Suites: bookworm bookworm-backports
Components: main non-free-firmware
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 key
 -----END PGP PUBLIC KEY BLOCK-----'
actual=$("$script" bookworm "$work/one-line.list" "$work/deb822.sources")
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
# Nothing of another release.
[ -z "$("$script" trixie "$work/one-line.list" "$work/deb822.sources")" ]
