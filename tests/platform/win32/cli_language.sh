#!/bin/sh
# cli_language.sh WINE_RUN PREFIX CLI
#
# The Windows command-line tool speaks the user's language from the language files beside it:
# English for an English user, German (its built-in texts) for a German one.
set -eu
wine_run=$1 prefix=$2 cli=$3
[ -f "$(dirname "$cli")/Languages/lintrove.0009.wlx" ] || {
  echo "no language files beside $cli" >&2
  exit 1
}
# Port 1 of the loopback answers nobody, so the check fails at once with a translated message.
for case in "en_US.UTF-8|An error occurred while connecting to the server." \
            "de_DE.UTF-8|Es ist beim Verbinden zum Server ein Fehler aufgetreten."; do
  locale=${case%%|*} expected=${case#*|}
  output=$(LC_ALL=$locale LANG=$locale "$wine_run" "$prefix" "$cli" check \
    --service 127.0.0.1:1/updateservice1400.php --no-ssl 2>&1 || true)
  case "$output" in
    *"$expected"*) ;;
    *) printf 'in %s, expected "%s" in:\n%s\n' "$locale" "$expected" "$output" >&2; exit 1 ;;
  esac
done
