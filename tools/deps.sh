#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when
# any is missing. Used by both README commands and by CI.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format
  libsdl2-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev libpng-dev
  fonts-wine fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  xvfb xdotool x11-utils wmctrl openbox imagemagick faketime libfaketime
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
