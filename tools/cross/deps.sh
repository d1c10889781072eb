#!/usr/bin/env bash
# Installs what a cross build needs and fetches the sources of its C libraries.
#
# Usage: tools/cross/deps.sh TARGET
#   TARGET     mingw64 (Windows, x86-64) or wasm (the browser, emscripten)
#
# The libraries are the Debian source packages of the versions the Linux build
# uses (libjpeg-turbo, FreeType, zlib, libpng), fetched with `apt-get source`
# from a deb-src entry that mirrors the machine's own Debian sources, once,
# into a cache outside the clone:
#   ${MV_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mirvolant/deps}/src/PACKAGE-VERSION
# The cross configuration builds them from there (cmake/CrossLibraries.cmake).
set -euo pipefail
shopt -s inherit_errexit
trap 'echo "deps.sh: failed at line $LINENO" >&2' ERR

target=${1:?usage: deps.sh mingw64|wasm}
here=$(cd "$(dirname "$0")" && pwd)
cache=${MV_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mirvolant/deps}

source "$here/../apt.sh"

# --- Debian packages -------------------------------------------------------

common=(cmake ninja-build dpkg-dev fonts-wine libgtest-dev
        libjpeg62-turbo-dev libfreetype-dev libpng-dev zlib1g-dev)
case $target in
  mingw64)
    # nsis makes the installer; imagemagick the program's icon; the tests
    # run the program on a virtual X server with openbox and xdotool.
    packages=("${common[@]}" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
              nasm wine wine64 nsis imagemagick xvfb openbox xdotool wmctrl x11-utils
              x11-xserver-utils faketime)
    ;;
  wasm)
    packages=("${common[@]}" emscripten nodejs)
    ;;
  *)
    echo "unknown target: $target" >&2
    exit 2
    ;;
esac

install_missing --no-install-recommends "${packages[@]}"

# --- Source packages -------------------------------------------------------

# A deb-src entry for every Debian source the machine installs from, in a file
# of its own (rewritten only when the machine's sources change).
ensure_deb_src() {
  local file=/etc/apt/sources.list.d/mirvolant-deb-src.sources
  local wanted
  wanted=$(
    for f in /etc/apt/sources.list.d/*.sources; do
      [[ -e $f && $f != "$file" ]] || continue
      # deb822 stanzas: the same stanza with Types: deb-src.
      awk 'BEGIN { RS = ""; ORS = "\n\n" }
           /(^|\n)Types:[^\n]*deb([ \n]|$)/ {
             gsub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [[ -e $f ]] || continue
      # One-line entries, written as stanzas.
      awk '$1 == "deb" {
             i = 2; opts = ""
             if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
             printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $i, $(i + 1)
             for (j = i + 2; j <= NF; j++) printf " %s", $j
             if (opts ~ /signed-by=/) { match(opts, /signed-by=[^] ]*/); printf "\nSigned-By: %s", substr(opts, RSTART + 10, RLENGTH - 10) }
             printf "\n\n" }' "$f"
    done
  )
  if [[ ! -f $file ]] || [[ "$(cat "$file")" != "$wanted" ]]; then
    echo "Adding deb-src entries: $file" >&2
    printf '%s\n' "$wanted" | as_root tee "$file" >/dev/null
    apt_get update -qq
  fi
}

# The source package and version behind an installed binary package.
source_of() {
  dpkg-query -W -f='${source:Package} ${source:Version}' "$1"
}

# The source versions to try, best first: the installed one, then, where
# the archive no longer serves it (a newer security or point release replaced
# it, or the mirror lacks the file), the other Debian revisions of the same
# upstream version, newest first.
source_versions() {
  local name=$1 version=$2
  local available
  available=$(apt-cache showsrc "$name" 2>/dev/null | sed -n 's/^Version: //p' || true)
  if [[ -z $available ]]; then
    ensure_deb_src
    available=$(apt-cache showsrc "$name" 2>/dev/null | sed -n 's/^Version: //p' || true)
  fi
  printf '%s\n' "$version"
  local v
  for v in $available; do
    if [[ ${v%-*} == "${version%-*}" && $v != "$version" ]]; then printf '%s\n' "$v"; fi
  done | sort -u | sort -r -V
}

# Unpacks a source package (with Debian's patches applied) into the cache's
# source folder once; prints the folder.
fetch_source() {
  local name=$1 version=$2
  local dir="$cache/src/$name-${version#*:}"
  if [[ ! -f $dir/.complete ]]; then
    ensure_deb_src
    local tmp
    tmp=$(mktemp -d "$cache/src/.fetch.XXXXXX")
    if ! (cd "$tmp" && apt-get source -qq "$name=$version" >/dev/null 2>&1); then
      echo "apt-get source $name=$version failed" >&2
      rm -rf "$tmp"
      return 1
    fi
    local unpacked
    unpacked=$(find "$tmp" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    rm -rf "$dir"
    mv "$unpacked" "$dir"
    rm -rf "$tmp"
    touch "$dir/.complete"
  fi
  printf '%s\n' "$dir"
}

mkdir -p "$cache/src"
# Each source package: the installed version, or where the archive no longer
# serves it, the nearest one served. A revision of the same upstream version
# fetched before serves as well, and asks the network nothing.
for binary in libjpeg62-turbo-dev libfreetype-dev zlib1g-dev libpng-dev; do
  read -r name version <<<"$(source_of "$binary")"
  upstream=${version#*:}
  upstream=${upstream%-*}
  if compgen -G "$cache/src/$name-$upstream-*/.complete" >/dev/null; then continue; fi
  fetched=
  for v in $(source_versions "$name" "$version"); do
    if fetched=$(fetch_source "$name" "$v"); then break; fi
    fetched=
  done
  if [[ -z $fetched ]]; then
    echo "No source of $name $version could be fetched" >&2
    exit 1
  fi
  if [[ ${fetched##*/} != "$name-${version#*:}" ]]; then
    echo "Note: $name $version is not served by the archive; using ${fetched##*/}" >&2
  fi
done
