#!/usr/bin/env bash
# Compares glyphwright-cli convert with ImageMagick on real icons: each of a set of full-colour
# PNG icons (adwaita-icon-theme's 512 x 512 ones) is converted to 32 x 32 at 4 and 8 bits per
# pixel by both, dithered by Floyd-Steinberg, and the colour error of each result is measured
# over the opaque pixels against the source area-averaged to 32 x 32 (bench/convert_quality.cpp).
# Prints the median and mean RMSE per depth for both.
#
# Usage: bench/convert_quality.sh [COUNT]   (COUNT icons, default 48)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-48}

bash scripts/install-deps.sh imagemagick adwaita-icon-theme
build=build/convert-quality
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHWRIGHT_UI=OFF \
  -DGLYPHWRIGHT_TESTS=OFF -DGLYPHWRIGHT_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target glyphwright-cli convert_quality >/dev/null
cli="$build/bin/glyphwright-cli"
measure="$build/bin/convert_quality"
# ImageMagick's own program; /usr/bin/convert, whatever else is called convert on the PATH.
magick=/usr/bin/convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t icons < <(find /usr/share/icons/Adwaita/512x512 -name '*.png' ! -name '*symbolic*' |
  LC_ALL=C sort | head -n "$count")

for bits in 4 8; do
  colours=$((1 << bits))
  : >"$work/rmse-$bits"
  for icon in "${icons[@]}"; do
    "$cli" convert "$icon" -o "$work/ours.ico" --sizes 32 --depths "$bits" >/dev/null
    "$magick" "$icon" -resize 32x32 -dither FloydSteinberg -colors "$colours" "PNG32:$work/theirs.png"
    "$measure" "$icon" "$work/ours.ico" "$work/theirs.png" >>"$work/rmse-$bits"
  done
done

version=$(dpkg-query -W -f='${Version}' adwaita-icon-theme)
magickVersion=$(dpkg-query -W -f='${Version}' imagemagick)
echo "${#icons[@]} icons of adwaita-icon-theme $version (512 x 512), ImageMagick $magickVersion"
printf '%-6s %-12s %12s %12s\n' depth converter "median RMSE" "mean RMSE"
for bits in 4 8; do
  for column in 1 2; do
    name=$([ "$column" = 1 ] && echo glyphwright || echo ImageMagick)
    cut -d' ' -f"$column" "$work/rmse-$bits" | grep -v '^-$' | sort -g | awk -v bits="$bits" -v name="$name" '
      { v[NR] = $1; sum += $1 }
      END {
        median = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%-6s %-12s %12.2f %12.2f\n", bits "-bit", name, median, sum / NR
      }'
  done
done
