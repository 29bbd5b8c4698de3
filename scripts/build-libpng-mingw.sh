#!/usr/bin/env bash
# Builds the libpng that the Windows build links: a static libpng for 64-bit Windows, cross-built
# with the `mingw` preset's compiler from Debian's own source of libpng (with Debian's patches,
# its security fixes among them) against Debian's static zlib for MinGW-w64
# (libz-mingw-w64-dev). The source is the newest version the archive serves, the host's
# libpng-dev's among those tried.
#
# It installs into $GLYPHWRIGHT_LIBPNG_MINGW (default ~/.cache/glyphwright/libpng-mingw), in
# about half a minute. Safe to run again: a complete install (marked by a stamp written last,
# naming the source version) is reused at once while the host's libpng-dev is the same.
#
# Usage: scripts/build-libpng-mingw.sh [--print-prefix]
#   --print-prefix  print the install folder and exit (0 when it is complete, 1 when not)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cache=${XDG_CACHE_HOME:-$HOME/.cache}/glyphwright
prefix=${GLYPHWRIGHT_LIBPNG_MINGW:-$cache/libpng-mingw}
stamp=$prefix/glyphwright-libpng-complete
host_version() {
  dpkg-query -W -f='${Version}' libpng-dev 2>/dev/null || true
}

if [ "${1:-}" = --print-prefix ]; then
  echo "$prefix"
  [ -f "$stamp" ] && grep -q "for host libpng-dev $(host_version)\$" "$stamp"
  exit
fi
[ $# -eq 0 ] || {
  echo "usage: scripts/build-libpng-mingw.sh [--print-prefix]" >&2
  exit 2
}

scripts/install-deps.sh
host=$(host_version)
if [ -f "$stamp" ] && grep -q "for host libpng-dev $host\$" "$stamp"; then
  exit 0
fi

start=$SECONDS
source scripts/debian-source.sh
debian_source_ready libpng1.6 "$host"
# Every version the archive lists, and the host's, newest first: the newest that can be fetched
# carries the most fixes. (A machine may have an older libpng-dev than the archive's sources,
# or a newer one whose source a mirror lists before it serves it.)
versions=$(
  {
    echo "$host"
    apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p'
  } | sort -u | sort -rV
)
work=$cache/libpng-mingw-work
# shellcheck disable=SC2086 # one version per word
version=$(debian_source_unpack libpng1.6 "$work/src" $versions)

build=$work/build
rm -rf "$build"
echo "Building libpng $version for MinGW-w64"
cmake -S "$work/src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
  -DZLIB_USE_STATIC_LIBS=ON >"$work/configure.log" 2>&1 || {
  tail -n 30 "$work/configure.log" >&2
  echo "build-libpng-mingw: configuring libpng failed (whole log: $work/configure.log)" >&2
  exit 1
}
cmake --build "$build" >"$work/build.log" 2>&1 || {
  tail -n 30 "$work/build.log" >&2
  echo "build-libpng-mingw: building libpng failed (whole log: $work/build.log)" >&2
  exit 1
}
rm -rf "$prefix"
cmake --install "$build" >/dev/null
mkdir -p "$prefix/glyphwright-licenses"
cp "$work/src/LICENSE" "$prefix/glyphwright-licenses/libpng-LICENSE.txt"
cp "$work/src/debian/copyright" "$prefix/glyphwright-licenses/libpng-copyright.txt"
echo "libpng $version, built in $((SECONDS - start)) s on $(date -u +%F) for host libpng-dev $host" >"$stamp"
echo "libpng $version for MinGW-w64 installed in $prefix"
