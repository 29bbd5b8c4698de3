#!/usr/bin/env bash
# Builds one set of icon files into an x86 icon DLL three ways and prints wall time and peak
# memory side by side:
#   glyphwright  glyphwright-cli build
#   copy floor   the same input bytes copied into one file (no tool can do less)
#   llvm         llvm-rc, then lld-link /dll /noentry /machine:x86 (Debian's llvm and lld)
# Usage: bench/compare_toolchains.sh [COUNT] [RUNS]   (defaults: 1000 icon files, 5 runs)
# The CLI is taken from build/default/bin; build it first (scripts/run.sh or the default preset).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh time

count=${1:-1000}
runs=${2:-5}
cli=${GLYPHWRIGHT_CLI:-build/default/bin/glyphwright-cli}
source bench/measure.sh
bench_start "$cli" llvm-rc lld-link /usr/bin/time
# Copies of the example icon with two images (744 and 296 bytes).
for ((i = 0; i < count; i++)); do
  cp examples/glyph-4bit.ico "$work/icons/icon$i.ico"
done
ls "$work"/icons/*.ico | sort -V > "$work/list"
{
  i=101
  while read -r f; do echo "$i ICON \"$f\""; i=$((i + 1)); done < "$work/list"
} > "$work/icons.rc"

xargs_list="xargs -d '\n' -a $work/list"
read -r g_s g_k < <(measure bash -c "$xargs_list $cli build -t x86 -o $work/g.dll")
read -r c_s c_k < <(measure bash -c "$xargs_list cat > $work/floor.bin")
read -r l_s l_k < <(measure bash -c "cd $work && llvm-rc /fo icons.res icons.rc && lld-link /dll /noentry /machine:x86 /out:l.dll icons.res")

in_bytes=$(cat "$work"/icons/*.ico | wc -c)
printf '%s icon files (two images each), %s input bytes; best of %s runs\n' "$count" "$in_bytes" "$runs"
printf '%-34s %10s %12s %14s\n' "route" "time (s)" "peak (MiB)" "output bytes"
row() { printf '%-34s %10s %12.1f %14s\n' "$1" "$2" "$(awk "BEGIN{print $3/1024}")" "$4"; }
row "glyphwright-cli build" "$g_s" "$g_k" "$(stat -c %s "$work/g.dll")"
row "copy floor (cat)" "$c_s" "$c_k" "$(stat -c %s "$work/floor.bin")"
row "llvm-rc + lld-link" "$l_s" "$l_k" "$(stat -c %s "$work/l.dll")"
