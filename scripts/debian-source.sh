# Sourced by the scripts that build libraries for Windows from Debian's own source packages
# (scripts/build-qt-mingw.sh, scripts/build-libpng-mingw.sh).

# Adds a deb-src entry beside each deb entry of the system's sources, once, so that Debian's
# source packages come from the same archive and suites as its binary packages, and refreshes
# the package lists when PACKAGE's source VERSION is not listed yet.
debian_source_ready() {
  local package=$1 version=$2 sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  if apt-cache showsrc "$package" 2>/dev/null | grep -q "^Version: $version\$"; then
    return 0
  fi
  local ours=/etc/apt/sources.list.d/glyphwright-deb-src
  if [ ! -f "$ours.sources" ] && [ ! -f "$ours.list" ]; then
    # The system's sources in either of apt's formats: deb822 (Debian 12's images) or one line
    # per archive (older systems).
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      echo "Adding deb-src entries for Debian's sources ($ours.sources)"
      sed -n '/^Types:/,/^$/p' /etc/apt/sources.list.d/debian.sources |
        sed 's/^Types: deb$/Types: deb-src/' | "${sudo[@]}" tee "$ours.sources" >/dev/null
    elif grep -qs '^deb ' /etc/apt/sources.list; then
      echo "Adding deb-src entries for Debian's sources ($ours.list)"
      grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
        "${sudo[@]}" tee "$ours.list" >/dev/null
    else
      echo "no apt sources found (/etc/apt/sources.list.d/debian.sources or" \
        "/etc/apt/sources.list) to add Debian's source entries beside" >&2
      return 1
    fi
  fi
  "${sudo[@]}" apt-get update -qq
}

# Unpacks Debian's source package PACKAGE (the upstream source with Debian's patches, its
# security fixes among them) into DEST: the first of the VERSIONS that the archive serves (a
# mirror may list a version before it serves its files). Reuses a complete unpack. Prints the
# version unpacked; fails when none could be fetched.
debian_source_unpack() {
  local package=$1 dest=$2 download=$2.download
  shift 2
  local version
  for version in "$@"; do
    if [ -f "$dest/.glyphwright-unpacked" ] && [ "$(cat "$dest/.glyphwright-unpacked")" = "$version" ]; then
      echo "$version"
      return 0
    fi
  done
  mkdir -p "$download"
  for version in "$@"; do
    debian_source_ready "$package" "$version" >&2
    if (cd "$download" && apt-get source --download-only "$package=$version") >&2; then
      rm -rf "$dest"
      dpkg-source --no-check -x "$download/${package}_${version#*:}.dsc" "$dest" >&2
      echo "$version" >"$dest/.glyphwright-unpacked"
      echo "$version"
      return 0
    fi
    echo "Debian's source of $package $version could not be fetched; trying the next one" >&2
  done
  echo "no source of $package could be fetched (versions tried: $*)" >&2
  return 1
}
