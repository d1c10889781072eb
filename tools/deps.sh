#!/usr/bin/env bash
# Installs the Debian packages a purpose needs, when any is missing:
#   tools/deps.sh run       building and running the program (make run)
#   tools/deps.sh test      the above and the test tools (make test)
#   tools/deps.sh package   the above run set and the packaging tools (make package)
#   tools/deps.sh ci        everything (.ci/run)
set -euo pipefail
source "$(dirname "$0")/apt.sh"

purpose=${1:-run}

run=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev libpng-dev libx11-dev
  libatk1.0-dev libatk-bridge2.0-dev
  fonts-wine fonts-dejavu-core
)
test=(
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils x11-xserver-utils wmctrl openbox imagemagick faketime libfaketime
  dbus at-spi2-core libatspi2.0-dev
)
# dpkg-shlibdeps (dpkg-dev) and file compute the package's Depends; the
# others check the package and its metadata.
package=(dpkg-dev file desktop-file-utils appstream lintian)

case "$purpose" in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${test[@]}") ;;
  package) packages=("${run[@]}" "${package[@]}") ;;
  ci) packages=("${run[@]}" "${test[@]}" "${package[@]}") ;;
  *)
    echo "usage: $0 [run|test|package|ci]" >&2
    exit 2
    ;;
esac

install_missing "${packages[@]}"
