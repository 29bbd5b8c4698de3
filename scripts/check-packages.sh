#!/usr/bin/env bash
# Makes the packages with cpack from the two built trees and checks what they hold and that they
# work:
#   build/mingw   -> packages/glyphwright-<version>-win64.zip, a portable folder:
#                    glyphwright-cli.exe, License.txt, help.htm, README.txt, and when the window
#                    program is built, glyphwright.exe with Qt's DLLs, plugins, runtime and
#                    licences. Every .exe and .dll imports only DLLs beside it or Windows' own;
#                    both executables carry version information and the icon; unpacked into a
#                    folder with blanks and non-ASCII letters, the window program starts under
#                    Wine with nothing else installed.
#                 -> packages/glyphwright-<version>-win64-setup.exe (with the window program):
#                    installed silently under Wine for all users and for one, the program
#                    starts from there, and the silent uninstall removes every file, shortcut
#                    and registry key it made.
#   build/default -> packages/glyphwright_<version>_<arch>.deb: both programs in /usr/bin, the
#                    help page and licence in /usr/share/glyphwright, the desktop entry, icons,
#                    man pages, completion and metainfo; lintian shows no error or warning,
#                    appstreamcli and desktop-file-validate pass.
# Both trees must be configured and built already (scripts/test.sh builds them). It installs
# nothing (scripts/install-deps.sh does).
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
need wrestool icoutils
need lintian lintian
need appstreamcli appstream
need man man-db
need unzip unzip

scratch=$(mktemp -d)
source scripts/wine-display.sh
trap 'stop_wine_session; rm -rf "$scratch"' EXIT

# Runs cpack in build/<tree> and checks that it made each named package in build/<tree>/packages.
make_packages() {
  local tree=$1
  shift
  local dir=build/$tree
  [ -f "$dir/CPackConfig.cmake" ] ||
    fail "$dir is not configured; build it first (cmake --preset $tree && cmake --build --preset $tree)"
  for name in "$@"; do rm -f "$dir/packages/$name"; done
  if ! (cd "$dir" && cpack) >"$scratch/cpack-$tree.log" 2>&1; then
    cat "$scratch/cpack-$tree.log" >&2
    fail "cpack in $dir failed (output above)"
  fi
  for name in "$@"; do
    [ -f "$dir/packages/$name" ] || {
      cat "$scratch/cpack-$tree.log" >&2
      fail "cpack in $dir did not make packages/$name (output above)"
    }
  done
}

version_of() {
  sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "build/$1/CMakeCache.txt" 2>/dev/null
}

# --- Windows: the portable ZIP and the installer -----------------------------------------------
version=$(version_of mingw)
[ -n "$version" ] || fail "build/mingw is not configured (cmake --preset mingw)"
top=glyphwright-$version-win64
window_program=0
grep -q '^GLYPHWRIGHT_UI_BUILT:INTERNAL=ON$' build/mingw/CMakeCache.txt && window_program=1
packages=("$top.zip")
[ $window_program -eq 1 ] && packages+=("$top-setup.exe")
make_packages mingw "${packages[@]}"
zip=build/mingw/packages/$top.zip
listing=$(cmake -E tar tf "$zip")
expected=(glyphwright-cli.exe License.txt help.htm README.txt licenses/libpng-LICENSE.txt
  licenses/libpng-copyright.txt licenses/zlib-copyright.txt)
if [ $window_program -eq 1 ]; then
  expected+=(glyphwright.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll
    styles/qwindowsvistastyle.dll imageformats/qico.dll libstdc++-6.dll libgcc_s_seh-1.dll
    libwinpthread-1.dll licenses/Qt-LGPL-3.0.txt licenses/Qt-source.txt
    licenses/Qt-copyright.txt)
fi
for file in "${expected[@]}"; do
  grep -qxF "$top/$file" <<<"$listing" || fail "$zip holds no $top/$file; it holds:
$listing"
done

unpacked="$scratch/Program Test Ärger 日本"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
folder=$unpacked/$top

# Every executable and library imports only what ships beside it or comes with Windows.
system_dll='^(kernel32|kernelbase|ntdll|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|advapi32|shell32|user32|gdi32|ole32|oleaut32|shlwapi|comdlg32|comctl32|version|bcrypt|crypt32|rpcrt4|userenv|ws2_32|psapi|secur32|shcore|uxtheme|dwmapi|imm32|winmm|setupapi|netapi32|mpr|dwrite|d3d9|d3d11|d3d12|dxgi|dcomp|authz|wtsapi32)\.dll$'
shipped=$(cd "$folder" && find . -iname '*.dll' -printf '%f\n' | tr '[:upper:]' '[:lower:]')
while IFS= read -r -d '' binary; do
  name=${binary#"$folder"/}
  x86_64-w64-mingw32-objdump -f "$binary" | grep -q "file format pei-x86-64" ||
    fail "$top/$name is not 64-bit Windows code"
  imports=$(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
  while read -r dll; do
    [ -n "$dll" ] || continue
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    grep -Eq "$system_dll" <<<"$lower" || grep -qxF "$lower" <<<"$shipped" ||
      fail "$top/$name imports $dll, which neither ships beside it nor comes with Windows"
  done <<<"$imports"
done < <(find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -print0)

# Version information (resource type 16) and the icon (type 14) in both executables.
for exe in glyphwright-cli.exe $([ $window_program -eq 1 ] && echo glyphwright.exe); do
  resources=$(wrestool -l "$folder/$exe")
  grep -q -- '--type=16 ' <<<"$resources" || fail "$top/$exe carries no version information"
  grep -q -- '--type=14 ' <<<"$resources" || fail "$top/$exe carries no icon"
done
echo "ok: $zip: ${#expected[@]} expected files; every .exe and .dll imports only what ships beside it or comes with Windows; version information and icon in the executables"

# Waits until a window whose name matches shows on the virtual display; fails after 60 s.
wait_for_window() {
  local name=$1 what=$2
  timeout 60 xdotool search --sync --onlyvisible --name "$name" >/dev/null ||
    fail "$what: no window named '$name' showed within 60 s"
}

# Starts the window program past the first-run licence and waits for its main window.
start_window_program() {
  local exe=$1 what=$2
  wine reg add 'HKCU\Software\VB and VBA Program Settings\Glyphwright\Options' \
    /v FistExec /d False /f >/dev/null 2>&1
  wine "$exe" >/dev/null 2>&1 &
  wait_for_window "VBCE Icon DLL's" "$what"
  wineserver -k >/dev/null 2>&1 || true
  start_wine_prefix "$WINEPREFIX" # the server again, for what follows
}

if [ $window_program -eq 1 ]; then
  need xdotool xdotool
  start_wine_display
  start_wine_prefix "$scratch/wineprefix"
  start_window_program "$(winepath -w "$folder/glyphwright.exe")" "$zip unpacked into '$unpacked'"
  echo "ok: glyphwright.exe starts under Wine from '$folder' with nothing installed"

  setup=$(winepath -w "build/mingw/packages/$top-setup.exe")
  uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Glyphwright'
  # Waits until a path is gone (the uninstaller finishes in a copy of itself); fails after 60 s.
  wait_until_gone() {
    for _ in $(seq 120); do
      [ ! -e "$1" ] && return 0
      sleep 0.5
    done
    fail "$2"
  }
  for mode in AllUsers CurrentUser; do
    if [ $mode = AllUsers ]; then
      hive=HKLM
      installed="$WINEPREFIX/drive_c/Program Files/Glyphwright"
      shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Glyphwright.lnk"
    else
      hive=HKCU
      user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
      installed="$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/Glyphwright"
      shortcut="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Glyphwright.lnk"
    fi
    before=$(find "$WINEPREFIX/drive_c" | sort)
    timeout 120 wine "$setup" /S /$mode >/dev/null 2>&1 || fail "the installer failed (/S /$mode)"
    for file in "${expected[@]}" Uninstall.exe; do
      [ -e "$installed/$file" ] || fail "the installer (/$mode) put no $file in $installed"
    done
    [ -e "$shortcut" ] || fail "the installer (/$mode) made no Start-menu entry $shortcut"
    entry=$(wine reg query "$hive\\$uninstall_key" 2>/dev/null) ||
      fail "the installer (/$mode) made no entry in the installed programs ($hive)"
    for value in "DisplayName .*Glyphwright" "DisplayVersion .*$version" "Publisher .*Glyphwright"; do
      grep -Eq "$value" <<<"$entry" || fail "the installed-programs entry lacks $value: $entry"
    done
    start_window_program "$(winepath -w "$installed/glyphwright.exe")" "installed (/$mode)"
    timeout 120 wine "$(winepath -w "$installed/Uninstall.exe")" /S >/dev/null 2>&1 ||
      fail "the uninstaller failed (/$mode)"
    wait_until_gone "$installed" "the uninstaller (/$mode) left $installed behind"
    [ ! -e "$shortcut" ] || fail "the uninstaller (/$mode) left $shortcut behind"
    ! wine reg query "$hive\\$uninstall_key" >/dev/null 2>&1 ||
      fail "the uninstaller (/$mode) left the registry key $hive\\$uninstall_key behind"
    left=$(comm -13 <(echo "$before") <(find "$WINEPREFIX/drive_c" | sort) | grep -i glyphwright || true)
    [ -z "$left" ] || fail "the uninstaller (/$mode) left behind: $left"
    echo "ok: $top-setup.exe /S /$mode installs into ${installed#"$WINEPREFIX"/}, starts, and uninstalls leaving nothing"
  done
else
  echo "note: no window program in the mingw build (no Qt for MinGW): the installer and the start test are skipped"
fi

# --- The Debian package of the whole program --------------------------------------------------
version=$(version_of default)
[ -n "$version" ] || fail "build/default is not configured (cmake --preset default)"
deb_name=glyphwright_${version}_$(dpkg --print-architecture).deb
make_packages default "$deb_name"
deb=build/default/packages/$deb_name
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
expect -rw-r--r-- /usr/share/doc/glyphwright/changelog.gz
expect -rw-r--r-- /usr/share/bash-completion/completions/glyphwright-cli
expect -rw-r--r-- /usr/share/zsh/vendor-completions/_glyphwright-cli
expect -rw-r--r-- /usr/share/fish/vendor_completions.d/glyphwright-cli.fish
metainfo=usr/share/metainfo/invalid.glyphwright.glyphwright.metainfo.xml
expect -rw-r--r-- "/$metainfo"
for page in glyphwright-cli glyphwright; do
  expect -rw-r--r-- "/usr/share/man/man1/$page.1.gz"
done

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
grep -q '^MimeType=.*image/vnd.microsoft.icon;' "$desktop" && grep -q '^Exec=.* %F$' "$desktop" ||
  fail "the desktop entry in $deb does not offer to open icon files (MimeType, Exec ... %F)"
# The manual pages as man shows them: no roff warnings, and every command of the CLI in its page.
for page in glyphwright-cli glyphwright; do
  shown=$(MANWIDTH=80 man --warnings -l "$scratch/deb/usr/share/man/man1/$page.1.gz" 2>"$scratch/man.log")
  if [ -s "$scratch/man.log" ]; then
    cat "$scratch/man.log" >&2
    fail "man warns about $page.1 (above)"
  fi
  grep -q "^NAME" <<<"$shown" || fail "man shows no NAME section in $page.1"
done
cli_page=$(MANWIDTH=80 man -l "$scratch/deb/usr/share/man/man1/glyphwright-cli.1.gz" 2>/dev/null)
for command in build images remove-images setup inspect extract convert; do
  grep -qE "^ +$command( |\$)" <<<"$cli_page" ||
    fail "the glyphwright-cli manual page does not describe $command"
done
appstreamcli validate --no-net --pedantic "$scratch/deb/$metainfo" >"$scratch/appstream.log" 2>&1 || {
  cat "$scratch/appstream.log" >&2
  fail "appstreamcli does not pass $metainfo (above)"
}
# lintian as strictly as it goes: no error or warning; every note is either mended or
# overridden with its reason in packaging/debian/lintian-overrides.
lintian -EvI --pedantic "$deb" >"$scratch/lintian.log" 2>&1 || true
if grep -E '^[EWIP]: ' "$scratch/lintian.log" >&2; then
  fail "lintian finds the tags above in $deb"
fi
echo "ok: $deb: /usr/bin/glyphwright and glyphwright-cli, /usr/share/glyphwright,"
echo "    applications/glyphwright.desktop (valid, opens icon files), hicolor icon '$icon',"
echo "    completion, metainfo (appstreamcli passes); lintian -EvI --pedantic shows no tag;"
echo "    Depends: $depends"
