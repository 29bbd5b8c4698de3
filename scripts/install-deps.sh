#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Glyphwright need.
# Safe to run again: it installs only what is missing, and asks for sudo only when not root.
# Extra package names given as arguments are installed too (fuzz/run_fuzzers.sh adds clang).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config libpng-dev zlib1g-dev libz-mingw-w64-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev xdg-utils
  llvm lld icoutils
  python3 fonts-dejavu-core
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64
  dpkg-dev desktop-file-utils xvfb xdotool nsis lintian appstream man-db unzip
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
