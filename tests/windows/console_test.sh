#!/usr/bin/env bash
# The Windows CLI on a terminal, as a user sees it: run under Wine on a pseudo-terminal
# (script), a path with non-ASCII letters in its output shows as those letters, not as
# replacement characters; redirected to a file, the output is the same UTF-8 bytes.
# Usage: console_test.sh GLYPHWRIGHT-CLI.EXE EXAMPLE.ico
set -euo pipefail
cli=$1 icon=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="$work/Ärger 日本"
mkdir -p "$folder"
cp "$icon" "$folder/ty ü.ico"
cd "$folder"
export LANG=C.UTF-8 WINEDEBUG=-all
expected='Ausgabe ü日.dll: ARM, 1 icon group'
on_terminal=$(timeout 120 script -qec "wine '$cli' build -t arm -o 'Ausgabe ü日.dll' 'ty ü.ico'" /dev/null)
if ! grep -qF "$expected" <<<"$on_terminal"; then
  echo "on a terminal the output reads:" >&2
  cat -v <<<"$on_terminal" >&2
  exit 1
fi
timeout 120 wine "$cli" build -t arm -o 'Ausgabe ü日.dll' 'ty ü.ico' >"$work/out.txt"
grep -qF "$expected" "$work/out.txt" || {
  echo "redirected to a file the output reads:" >&2
  cat -v "$work/out.txt" >&2
  exit 1
}
echo "ok: the name shows whole on a terminal and in a file"
