#!/usr/bin/env bash
# Builds the Qt that the Windows window program and its tests link: Qt Core, Gui, Widgets and
# Test for 64-bit Windows, cross-built with the same MinGW-w64 (posix) compiler as the `mingw`
# preset from Debian's own source of Qt (with Debian's patches applied), the same version as the
# host tools (moc, rcc, uic) of Debian's qt6-base-dev-tools that the cross build runs.
#
# It installs into $GLYPHWRIGHT_QT_MINGW (default ~/.cache/glyphwright/qt6-mingw-<version>).
# About an hour on two cores; the install is about 80 MB. Safe to run again: a complete
# install (marked by a stamp written last) is reused at once, a half-finished build is resumed
# from its build folder, and a half-finished install is never taken for a complete one.
#
# Usage: scripts/build-qt-mingw.sh [--print-prefix]
#   --print-prefix  print the install folder and exit (0 when it is complete, 1 when not)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

qt_version() {
  dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null || true
}

cache=${XDG_CACHE_HOME:-$HOME/.cache}/glyphwright
version=$(qt_version)
upstream=${version%%+*} # 6.4.2+dfsg-10 -> 6.4.2
prefix=${GLYPHWRIGHT_QT_MINGW:-$cache/qt6-mingw-${upstream:-unknown}}
stamp=$prefix/glyphwright-qt-complete

if [ "${1:-}" = --print-prefix ]; then
  echo "$prefix"
  [ -f "$stamp" ]
  exit
fi
[ $# -eq 0 ] || {
  echo "usage: scripts/build-qt-mingw.sh [--print-prefix]" >&2
  exit 2
}

if [ -f "$stamp" ]; then
  echo "Qt for MinGW is already complete in $prefix ($(cat "$stamp"))"
  exit 0
fi

start=$SECONDS
scripts/install-deps.sh
version=$(qt_version)
upstream=${version%%+*}
[ -n "$version" ] || {
  echo "build-qt-mingw: qt6-base-dev-tools is not installed" >&2
  exit 1
}

source scripts/debian-source.sh
work=$cache/qt6-mingw-work
src=$work/qtbase-$version
debian_source_unpack qt6-base "$src" "$version" >/dev/null

# The toolchain of the `mingw` preset; Qt's DLLs import the MinGW runtime as DLLs, which the
# window program then shares. Only what the window program and its tests use is built; the
# DirectWrite 3 font database goes with Direct2D (Qt 6.4 builds it only with Direct2D, but its
# Windows platform plugin would use it without), so the plugin keeps the GDI font database.
build=$work/build-$version
echo "Configuring Qt $version for MinGW-w64 in $build"
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
  -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_xml=OFF -DFEATURE_gif=OFF -DFEATURE_jpeg=OFF \
  -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF \
  -DFEATURE_accessibility=OFF -DFEATURE_tabletevent=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
  >"$work/configure.log" 2>&1 || {
  tail -n 40 "$work/configure.log" >&2
  echo "build-qt-mingw: configuring Qt failed (whole log: $work/configure.log)" >&2
  exit 1
}
echo "Building Qt (about an hour on two cores)"
cmake --build "$build" --parallel "$(nproc)"

# The install goes to the prefix; only then the stamp is written, so an interrupted install is
# found incomplete and done again.
rm -rf "$prefix"
cmake --install "$build" >/dev/null
# What the packages that carry Qt's DLLs must carry with them: Qt's licence (LGPL-3), the
# licences of what Qt bundles (Debian's copyright file lists them all), and where the source of
# exactly this Qt comes from.
licences=$prefix/glyphwright-licenses
mkdir -p "$licences"
cp "$src/LICENSES/LGPL-3.0-only.txt" "$licences/Qt-LGPL-3.0.txt"
cp "$src/debian/copyright" "$licences/Qt-copyright.txt"
cat >"$licences/Qt-source.txt" <<NOTE
The Qt libraries and plugins in this folder (Qt6Core, Qt6Gui, Qt6Widgets and the plugins in
platforms, styles and imageformats) are Qt $upstream, used under the GNU Lesser General Public
License version 3 (Qt-LGPL-3.0.txt). The licences of the code Qt bundles are listed in
Qt-copyright.txt.

They were built unchanged for 64-bit Windows with MinGW-w64 from Debian's source package
qt6-base $version (the upstream source with Debian's patches), which you can get with

    apt-get source qt6-base=$version

on Debian, or from https://sources.debian.org/src/qt6-base/$version/ and
https://snapshot.debian.org/package/qt6-base/$version/. The script that built them is
scripts/build-qt-mingw.sh in Glyphwright's source. You may replace these DLLs with your own
build of the same Qt version.
NOTE
elapsed=$((SECONDS - start))
echo "Qt $version, built in ${elapsed} s on $(nproc) cores on $(date -u +%F)" >"$stamp"
rm -rf "$build"
echo "Qt for MinGW installed in $prefix: $(du -sh "$prefix" | cut -f1), ${elapsed} s"
