#!/usr/bin/env bash
# Installs what a cross build needs and builds its C libraries once.
#
# Usage: tools/cross/deps.sh TARGET BUILD_DIR
#   TARGET     mingw64 (Windows, x86-64) or wasm (the browser, emscripten)
#   BUILD_DIR  where to write cross-deps.cmake, the initial cache that tells
#              the cross configuration where the libraries are
#
# The libraries are the Debian source packages of the versions the Linux build
# uses (libjpeg-turbo, FreeType, zlib, libpng), fetched with `apt-get source`
# from a deb-src entry that mirrors the machine's own Debian sources. Each is
# built as a static library into a cache outside the clone, keyed by target
# and version:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/mirvolant/deps/TARGET/PACKAGE-VERSION
# so a machine builds each once. A prefix is rebuilt when the way it is built
# (the recipe line stored beside it) changes.
set -euo pipefail
shopt -s inherit_errexit
trap 'echo "deps.sh: failed at line $LINENO" >&2' ERR

target=${1:?usage: deps.sh mingw64|wasm BUILD_DIR}
build_dir=${2:?usage: deps.sh mingw64|wasm BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${MV_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mirvolant/deps}
jobs=${JOBS:-2}

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

# --- Compilers -------------------------------------------------------------

case $target in
  mingw64)
    toolchain="$repo/cmake/toolchains/mingw64.cmake"
    cc=x86_64-w64-mingw32-gcc-posix
    ar=x86_64-w64-mingw32-ar
    compiler_id=$($cc -dumpfullversion 2>/dev/null || $cc -dumpversion)
    simd=ON
    ;;
  wasm)
    # Debian's emscripten needs Debian's node modules (acorn) on NODE_PATH,
    # and a writable cache for the system libraries it builds on first use
    # (Debian's own is frozen).
    export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
    em_version=$(dpkg-query -W -f='${Version}' emscripten)
    export EM_CACHE="$cache/wasm/emscripten-${em_version#*:}"
    export EM_FROZEN_CACHE=
    toolchain="$repo/cmake/toolchains/emscripten.cmake"
    cc=emcc
    ar=emar
    compiler_id=emscripten-$em_version
    simd=OFF
    ;;
esac
mkdir -p "$cache/src" "$cache/$target"

# Builds one package into its prefix unless the prefix holds the same recipe;
# prints the prefix. The recipe is a single line: the builder, its options and
# the compiler. VERSIONS are the source versions to try, best first.
build_package() {
  local name=$1 versions=$2 recipe=$3 builder=$4
  recipe="$recipe compiler=$compiler_id"
  local version prefix src=
  for version in $versions; do
    prefix="$cache/$target/$name-${version#*:}"
    if [[ -f $prefix/.recipe && "$(cat "$prefix/.recipe")" == "$recipe" ]]; then
      printf '%s\n' "$prefix"
      return
    fi
  done
  for version in $versions; do
    if src=$(fetch_source "$name" "$version"); then break; fi
    src=
  done
  if [[ -z $src ]]; then
    echo "No source of $name could be fetched (tried: $(echo $versions))" >&2
    return 1
  fi
  if [[ $version != "$(head -n 1 <<<"$versions")" ]]; then
    echo "Note: $name $(head -n 1 <<<"$versions") is not served by the archive; using $version" >&2
  fi
  prefix="$cache/$target/$name-${version#*:}"
  echo "Building $name $version for $target" >&2
  local work
  work=$(mktemp -d "$cache/$target/.build.XXXXXX")
  rm -rf "$prefix"
  local start=$SECONDS
  # Builders chain their steps with && and return: errexit does not hold
  # inside a function whose status is tested.
  if ! "$builder" "$src" "$work" "$prefix" >"$work/log" 2>&1; then
    echo "Building $name failed; the log:" >&2
    tail -n 40 "$work/log" >&2
    return 1
  fi
  rm -rf "$work"
  printf '%s\n' "$recipe" >"$prefix/.recipe"
  echo "Built $name in $((SECONDS - start)) s" >&2
  printf '%s\n' "$prefix"
}

cmake_build() {
  local src=$1 work=$2 prefix=$3
  shift 3
  cmake -S "$src" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" ${EM_CACHE:+-DMV_EM_CACHE="$EM_CACHE"} "$@" &&
    cmake --build "$work" -j "$jobs" &&
    cmake --install "$work"
}

# zlib's few C files compiled straight into libz.a; outside Windows its
# file functions come from unistd.h (what zlib's configure would find).
zlib_cflags=
if [[ $target != mingw64 ]]; then zlib_cflags=-DHAVE_UNISTD_H; fi
zlib_sources=(adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast
              inflate inftrees trees uncompr zutil)
build_zlib() {
  local src=$1 work=$2 prefix=$3
  local f
  for f in "${zlib_sources[@]}"; do
    $cc -O2 $zlib_cflags -c "$src/$f.c" -o "$work/$f.o" || return 1
  done
  mkdir -p "$prefix/lib" "$prefix/include" &&
    $ar rcs "$prefix/lib/libz.a" "$work"/*.o &&
    cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
}

build_jpeg() {
  cmake_build "$@" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=$simd
}

# FreeType with its default module list (the TrueType bitmap strikes and the
# Windows FNT driver for .fon files are both in it) and no optional
# libraries: the dialog face needs none of them. Its gzip support is turned
# off too: without a zlib of its own it compiles a private copy whose symbols
# clash with zlib's in a static link.
build_freetype() {
  local src=$1 work=$2 prefix=$3
  cp -a "$src" "$work/src" &&
    sed -i 's|^#define FT_CONFIG_OPTION_USE_ZLIB|/* #undef FT_CONFIG_OPTION_USE_ZLIB */|' \
      "$work/src/include/freetype/config/ftoption.h" &&
    cmake_build "$work/src" "$work/build" "$prefix" -DBUILD_SHARED_LIBS=OFF \
      -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
      -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
}

zlib_prefix=
build_png() {
  cmake_build "$@" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_HARDWARE_OPTIMIZATIONS="$simd" \
    -DZLIB_INCLUDE_DIR="$zlib_prefix/include" -DZLIB_LIBRARY="$zlib_prefix/lib/libz.a" \
    -DCMAKE_FIND_ROOT_PATH="$zlib_prefix"
}

read -r jpeg_src jpeg_ver <<<"$(source_of libjpeg62-turbo-dev)"
read -r ft_src ft_ver <<<"$(source_of libfreetype-dev)"
read -r zlib_src zlib_ver <<<"$(source_of zlib1g-dev)"
read -r png_src png_ver <<<"$(source_of libpng-dev)"
jpeg_ver=$(source_versions "$jpeg_src" "$jpeg_ver")
ft_ver=$(source_versions "$ft_src" "$ft_ver")
zlib_ver=$(source_versions "$zlib_src" "$zlib_ver")
png_ver=$(source_versions "$png_src" "$png_ver")

zlib_prefix=$(build_package "$zlib_src" "$zlib_ver" "zlib:${zlib_sources[*]}${zlib_cflags:+ $zlib_cflags}" build_zlib)
jpeg_prefix=$(build_package "$jpeg_src" "$jpeg_ver" "jpeg:static simd=$simd" build_jpeg)
ft_prefix=$(build_package "$ft_src" "$ft_ver" "freetype:static no-extras no-gzip" build_freetype)
png_recipe="png:static zlib=$zlib_prefix"
if [[ $simd == OFF ]]; then png_recipe+=" no-hw"; fi
png_prefix=$(build_package "$png_src" "$png_ver" "$png_recipe" build_png)

# The initial cache for the cross configuration (cmake -C).
mkdir -p "$build_dir"
cat >"$build_dir/cross-deps.cmake" <<CMAKE
# Written by tools/cross/deps.sh: the cross-built libraries for $target.
set(MV_DEPS_PREFIXES "$jpeg_prefix;$ft_prefix;$png_prefix;$zlib_prefix" CACHE STRING "")
set(MV_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "")
CMAKE
if [[ $target == wasm ]]; then
  echo "set(MV_EM_CACHE \"$EM_CACHE\" CACHE PATH \"\")" >>"$build_dir/cross-deps.cmake"
fi
