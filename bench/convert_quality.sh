#!/usr/bin/env bash
# Scores glyphwright-cli convert, pngquant and ImageMagick against what icon designers drew by
# hand at 16 and 32 pixels.
#
# The icons come from three of Debian's icon themes whose small sizes were drawn for their size
# (not rendered down from the large picture) and which also ship a large true-colour image of
# the same icon:
#   gnome-icon-theme   (GNOME's classic theme: 16, 22, 24, 32 and 48 drawn apart, 256 x 256)
#   oxygen-icon-theme  (KDE's Oxygen: small sizes redrawn, up to 256 x 256)
#   adwaita-icon-theme (the full-colour application and device icons of 512 x 512)
# Of every theme the icons present at 16, 32 and the largest size are taken (no symbolic ones,
# each picture once), COUNT of them spread evenly over the list sorted by path.
#
# Every icon is converted along two routes, to 16 and to 32 pixels, at 4 and 8 bits per pixel:
#   quantize  the designer's image of that size itself, only put on a palette
#   scale     the largest image scaled down and put on a palette
# The peers get the same picture with alpha cut at 50% (alpha 128 and above opaque, as
# glyphwright's mask does), after ImageMagick's box filter on the scale route:
#   pngquant     pngquant --speed 1 N          (libimagequant, dithered)
#   imagemagick  convert -dither FloydSteinberg -colors N
# bench/convert_quality.cpp scores each result against the designer's image of its size
# (1 - SSIM and RMSE over grey) and prints the medians and the share of icons glyphwright wins.
#
# Usage: bench/convert_quality.sh [COUNT]   (COUNT icons per theme, default 50)
# The peers' results are kept in build/convert-quality/peers and made again only when missing;
# glyphwright's are made afresh on every run. Nothing is written outside build/.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-50}

themes=(gnome-icon-theme oxygen-icon-theme adwaita-icon-theme)
bash scripts/install-deps.sh imagemagick pngquant "${themes[@]}"
missing=()
for p in imagemagick pngquant "${themes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "missing packages: ${missing[*]}" >&2
  exit 1
fi

build=build/convert-quality
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHWRIGHT_UI=OFF \
  -DGLYPHWRIGHT_TESTS=OFF -DGLYPHWRIGHT_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target glyphwright-cli convert_quality >/dev/null
export cli="$PWD/$build/bin/glyphwright-cli"
# ImageMagick's own program, whatever else is called convert on the PATH.
export magick=/usr/bin/convert
version() { dpkg-query -W -f='${Version}' "$1"; }
peers="$PWD/$build/peers/pngquant-$(version pngquant)-imagemagick-$(version imagemagick)"
export peers
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ours="$work/ours"

# The icon groups: theme name, folder, largest size.
sets=("gnome /usr/share/icons/gnome 256x256"
  "oxygen /usr/share/icons/oxygen/base 256x256"
  "adwaita /usr/share/icons/Adwaita 512x512")
: >"$work/groups"
for set in "${sets[@]}"; do
  read -r name root large <<<"$set"
  # Relative paths present at all three sizes, each largest picture and each 32 px image once.
  comm -12 <(cd "$root/16x16" && find . -name '*.png' ! -name '*symbolic*' | LC_ALL=C sort) \
    <(cd "$root/32x32" && find . -name '*.png' | LC_ALL=C sort) |
    comm -12 - <(cd "$root/$large" && find . -name '*.png' | LC_ALL=C sort) |
    while read -r rel; do
      echo "$(readlink -f "$root/$large/$rel") $(md5sum <"$root/32x32/$rel" | cut -c1-32) $rel"
    done | awk '!seen[$1]++ && !seen[$2]++ { print $3 }' >"$work/$name.all"
  total=$(wc -l <"$work/$name.all")
  awk -v n="$count" -v total="$total" -v name="$name" -v root="$root" -v large="$large" '
    n >= total || int((NR - 1) * n / total) != int(NR * n / total) {
      rel = substr($0, 3)
      print name "/" rel "\t" root "/16x16/" rel "\t" root "/32x32/" rel "\t" root "/" large "/" rel
    }' "$work/$name.all" >>"$work/groups"
  echo "$name: $(grep -c "^$name/" "$work/groups") of $total icons" >&2
done

# One icon group: the peers' results (when missing) and glyphwright's, and the plan's lines.
convert_group() {
  local group ref16 ref32 largest size ref route source cut bits colours out
  IFS=$'\t' read -r group ref16 ref32 largest <<<"$1"
  mkdir -p "$peers/$group" "$ours/$group"
  for size in 16 32; do
    ref=$([ "$size" = 16 ] && echo "$ref16" || echo "$ref32")
    for route in quantize scale; do
      source=$([ "$route" = quantize ] && echo "$ref" || echo "$largest")
      cut="$peers/$group/$route-$size-cut.png"
      if [ ! -e "$cut" ]; then
        # ImageMagick's -threshold makes opaque what lies above the value; glyphwright's mask
        # makes opaque what reaches 50% (an 8-bit alpha of 128, or 127.5 before rounding, as an
        # edge half covered gets), so the peers' cut lies just below 50%.
        if [ "$route" = quantize ]; then
          "$magick" "$source" -channel A -threshold 49.99% +channel "PNG32:$cut.tmp"
        else
          "$magick" "$source" -filter Box -resize "${size}x${size}!" \
            -channel A -threshold 49.99% +channel "PNG32:$cut.tmp"
        fi
        mv "$cut.tmp" "$cut"
      fi
      for bits in 4 8; do
        colours=$((1 << bits))
        out="$peers/$group/$route-$size-$bits"
        if [ ! -e "$out-pngquant.png" ]; then
          pngquant --speed 1 --force --output "$out-pngquant.tmp" "$colours" -- "$cut"
          mv "$out-pngquant.tmp" "$out-pngquant.png"
        fi
        if [ ! -e "$out-imagemagick.png" ]; then
          "$magick" "$cut" -dither FloydSteinberg -colors "$colours" "PNG32:$out-imagemagick.tmp"
          mv "$out-imagemagick.tmp" "$out-imagemagick.png"
        fi
        "$cli" convert "$source" -o "$ours/$group/$route-$size-$bits.ico" --sizes "$size" \
          --depths "$bits" >/dev/null
        for tool in pngquant imagemagick; do
          printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$route" "$size" "$bits" "$group" "$tool" \
            "$ref" "$out-$tool.png"
        done
        printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$route" "$size" "$bits" "$group" glyphwright \
          "$ref" "$ours/$group/$route-$size-$bits.ico"
        # What the peers start from, before any palette: the floor of the route.
        printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$route" "$size" "$bits" "$group" no-palette \
          "$ref" "$cut"
      done
    done
  done
}
export -f convert_group
# shellcheck disable=SC2016 # $1 is the inner shell's
tr '\n' '\0' <"$work/groups" | xargs -0 -P 2 -I{} bash -c 'convert_group "$1"' _ {} \
  >"$work/plan"

echo "$(wc -l <"$work/groups") icons: gnome-icon-theme $(version gnome-icon-theme)," \
  "oxygen-icon-theme $(version oxygen-icon-theme), adwaita-icon-theme" \
  "$(version adwaita-icon-theme); pngquant $(version pngquant), ImageMagick $(version imagemagick)"
echo "Medians of 1 - SSIM (RMSE in brackets) against the designer's image; lower is better."
"$build/bin/convert_quality" "$work/plan" "$build/scores.tsv"
echo "Every score: $build/scores.tsv"
