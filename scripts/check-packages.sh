#!/usr/bin/env bash
# Makes the packages with cpack from the two built trees and checks what they hold:
#   build/mingw   -> build/mingw/packages/glyphwright-<version>-win64.zip
#                    glyphwright-cli.exe (importing only Windows' own DLLs), License.txt, help.htm
#   build/default -> build/default/packages/glyphwright_<version>_<arch>.deb
#                    both programs in /usr/bin, License.txt and help.htm in /usr/share/glyphwright,
#                    the desktop entry and its icon in the hicolor theme
# Both trees must be configured and built already (scripts/test.sh builds them). It installs
# nothing; it needs cmake, dpkg-dev, binutils-mingw-w64-x86-64 and desktop-file-utils.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "check-packages: FAILED: $*" >&2
  exit 1
}

need() {
  command -v "$1" >/dev/null || fail "$1 is not installed (Debian package $2)"
}
need cpack cmake
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev
need x86_64-w64-mingw32-objdump binutils-mingw-w64-x86-64
need desktop-file-validate desktop-file-utils

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Runs cpack in build/<tree> and prints the path of the package it must have made.
make_package() {
  local tree=$1 name=$2
  local dir=build/$tree
  [ -f "$dir/CPackConfig.cmake" ] ||
    fail "$dir is not configured; build it first (cmake --preset $tree && cmake --build --preset $tree)"
  rm -f "$dir/packages/$name"
  if ! (cd "$dir" && cpack) >"$scratch/cpack-$tree.log" 2>&1; then
    cat "$scratch/cpack-$tree.log" >&2
    fail "cpack in $dir failed (output above)"
  fi
  [ -f "$dir/packages/$name" ] || {
    cat "$scratch/cpack-$tree.log" >&2
    fail "cpack in $dir did not make packages/$name (output above)"
  }
  echo "$dir/packages/$name"
}

version_of() {
  sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "build/$1/CMakeCache.txt" 2>/dev/null
}

# --- The Windows ZIP of the command-line tool -------------------------------------------------
version=$(version_of mingw)
[ -n "$version" ] || fail "build/mingw is not configured (cmake --preset mingw)"
top=glyphwright-$version-win64
zip=$(make_package mingw "$top.zip")
listing=$(cmake -E tar tf "$zip")
for file in glyphwright-cli.exe License.txt help.htm; do
  grep -qxF "$top/$file" <<<"$listing" || fail "$zip holds no $top/$file; it holds:
$listing"
done
(cd "$scratch" && cmake -E tar xf "$OLDPWD/$zip")
exe=$scratch/$top/glyphwright-cli.exe
x86_64-w64-mingw32-objdump -f "$exe" | grep -q "file format pei-x86-64" ||
  fail "$top/glyphwright-cli.exe in $zip is not a 64-bit Windows program"
# Windows' own DLLs; a toolchain DLL (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll)
# would be missing on the user's machine.
system_dll='^(kernel32|kernelbase|ntdll|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|advapi32|shell32|user32|gdi32|ole32|oleaut32|shlwapi|comdlg32|comctl32|version|bcrypt|crypt32|rpcrt4|userenv|ws2_32|psapi|secur32|shcore|uxtheme|dwmapi|imm32|winmm|setupapi)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$imports" ] || fail "found no imported DLLs in $top/glyphwright-cli.exe"
while read -r dll; do
  tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -Eq "$system_dll" ||
    fail "$top/glyphwright-cli.exe imports $dll, which is not one of Windows' own DLLs (link it statically)"
done <<<"$imports"
echo "ok: $zip: glyphwright-cli.exe, License.txt, help.htm; imports only $(tr '\n' ' ' <<<"$imports")"

# --- The Debian package of the whole program --------------------------------------------------
version=$(version_of default)
[ -n "$version" ] || fail "build/default is not configured (cmake --preset default)"
deb=$(make_package default "glyphwright_${version}_$(dpkg --print-architecture).deb")
contents=$(dpkg-deb -c "$deb")
# An expected path with its mode (columns 1 and 6 of dpkg-deb -c).
expect() {
  local mode=$1 path=$2
  awk -v mode="$mode" -v path="./${path#/}" '$1 == mode && $6 == path { found = 1 }
    END { exit !found }' <<<"$contents" ||
    fail "$deb holds no $path (mode $mode); dpkg-deb -c shows:
$contents"
}
expect -rwxr-xr-x /usr/bin/glyphwright
expect -rwxr-xr-x /usr/bin/glyphwright-cli
expect -rw-r--r-- /usr/share/glyphwright/License.txt
expect -rw-r--r-- /usr/share/glyphwright/help.htm
expect -rw-r--r-- /usr/share/applications/glyphwright.desktop
expect -rw-r--r-- /usr/share/doc/glyphwright/copyright

dpkg-deb -x "$deb" "$scratch/deb"
desktop=$scratch/deb/usr/share/applications/glyphwright.desktop
desktop-file-validate "$desktop" || fail "the desktop entry in $deb is not valid (above)"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$scratch/deb/usr/bin/$exec_name" ] ||
  fail "the desktop entry starts $exec_name, which $deb does not put in /usr/bin"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 32 48 64 128 256; do
  expect -rw-r--r-- "/usr/share/icons/hicolor/${size}x$size/apps/$icon.png"
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 qt6-qpa-plugins; do
  grep -q "\\b$package\\b" <<<"$depends" || fail "$deb does not depend on $package: $depends"
done
echo "ok: $deb: /usr/bin/glyphwright and glyphwright-cli, /usr/share/glyphwright,"
echo "    applications/glyphwright.desktop (valid), hicolor icon '$icon'; Depends: $depends"
