#!/usr/bin/env bash
# Lists the resources of one large icon DLL two ways and prints wall time and peak memory side
# by side:
#   glyphwright  glyphwright-cli inspect (which also checks the whole layout byte for byte)
#   wrestool     wrestool -l (icoutils), which lists the resources only
# The DLL is built by glyphwright-cli from COUNT copies of the example icon with one 8-bit
# 32 x 32 image (2216 bytes): 10,000 copies make a 23 MB DLL of 10,000 icon groups.
# Usage: bench/inspect_speed.sh [COUNT] [RUNS]   (defaults: 10000 icon files, 10 runs)
# The CLI is taken from build/default/bin (or GLYPHWRIGHT_CLI); build it first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh time

count=${1:-10000}
runs=${2:-10}
cli=${GLYPHWRIGHT_CLI:-build/default/bin/glyphwright-cli}
source bench/measure.sh
bench_start "$cli" wrestool /usr/bin/time
icons=()
for ((i = 0; i < count; i++)); do
  cp examples/tile-8bit.ico "$work/icons/$i.ico"
  icons+=("$work/icons/$i.ico")
done
"$cli" build -t x86 -o "$work/big.dll" "${icons[@]}" >/dev/null

read -r g_s g_k < <(measure "$cli" inspect "$work/big.dll")
read -r w_s w_k < <(measure wrestool -l "$work/big.dll")

size=$(stat -c %s "$work/big.dll")
printf '%s icon groups of one 2216-byte image, DLL of %s bytes (%.1f MiB); best of %s runs\n' \
  "$count" "$size" "$(awk "BEGIN{print $size/1048576}")" "$runs"
printf '%-28s %10s %12s\n' "route" "time (s)" "peak (MiB)"
row() { printf '%-28s %10s %12.1f\n' "$1" "$2" "$(awk "BEGIN{print $3/1024}")"; }
row "glyphwright-cli inspect" "$g_s" "$g_k"
row "wrestool -l" "$w_s" "$w_k"
printf '%-28s %10s %12.1f\n' "limit: 2 x wrestool; size + 16" "$(awk "BEGIN{print 2*$w_s}")" \
  "$(awk "BEGIN{print $size/1048576 + 16}")"
