#!/usr/bin/env bash
# Times glyphwright-cli convert on 512 x 512 sources, to 16 and 32 pixels at 4 and 8 bits per
# pixel (the whole command: start, PNG decoding, scaling, palettes, writing the icon):
#   icon    the most detailed 512 x 512 icon of adwaita-icon-theme (devices/camera-web.png)
#   plasma  a 512 x 512 plasma fractal made by ImageMagick (seed 7): every pixel its own colour
# Prints the median and the fastest wall and CPU (user + system) time of RUNS runs of each.
# Usage: bench/convert_speed.sh [RUNS]   (default 21)
# The CLI is taken from build/default/bin (or GLYPHWRIGHT_CLI); build it first.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-21}
cli=${GLYPHWRIGHT_CLI:-build/default/bin/glyphwright-cli}

bash scripts/install-deps.sh imagemagick adwaita-icon-theme
# shellcheck source=bench/measure.sh
source bench/measure.sh
bench_start "$cli" /usr/bin/convert
icon=/usr/share/icons/Adwaita/512x512/devices/camera-web.png
/usr/bin/convert -seed 7 -size 512x512 plasma:fractal "PNG32:$work/plasma.png"

printf '%-8s %5s %16s %16s\n' source runs "wall s (median)" "cpu s (median)"
for source in "icon:$icon" "plasma:$work/plasma.png"; do
  : >"$work/times"
  for ((r = 0; r < runs; r++)); do
    { TIMEFORMAT='%3R %3U %3S'; time "$cli" convert "${source#*:}" -o "$work/out.ico" \
      --sizes 16,32 --depths 4,8 >/dev/null; } 2>>"$work/times"
  done
  median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
  wall=$(cut -d' ' -f1 "$work/times" | median)
  cpu=$(awk '{ print $2 + $3 }' "$work/times" | median)
  printf '%-8s %5d %16s %16s\n' "${source%%:*}" "$runs" "$wall" "$cpu"
done
