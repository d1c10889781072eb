#!/usr/bin/env bash
# Draws the program's icon in the hicolor sizes the desktop asks for, from one
# drawing on a 32-unit grid: a classic dialog window (white and dark edges,
# the navy title bar, the face colour) holding a red "M"; 192 and 512 are
# the sizes a web app manifest asks for. The PNGs in
# resources/ are made by this script and committed, so the build needs no
# image tools; run it again after changing the drawing.
#
# Usage: tools/make_icons.sh [OUTPUT_DIR]   (default: resources/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-resources}
command -v convert >/dev/null || {
  echo "ImageMagick's convert is missing (tools/deps.sh test installs it)" >&2
  exit 1
}

for size in 32 48 64 128 192 256 512; do
  # Units of the 32-unit grid in pixels.
  u=$(awk -v s="$size" 'BEGIN { print s / 32 }')
  p() { awk -v u="$u" -v v="$1" 'BEGIN { printf "%.2f", v * u }'; }
  convert -size "${size}x${size}" xc:none \
    -fill '#404040' -draw "rectangle 0,0 $(p 32),$(p 32)" \
    -fill '#FFFFFF' -draw "rectangle 0,0 $(p 31),$(p 31)" \
    -fill '#D4D0C8' -draw "rectangle $(p 1),$(p 1) $(p 31),$(p 31)" \
    -fill '#0A246A' -draw "rectangle $(p 1),$(p 1) $(p 31),$(p 7)" \
    -fill none -stroke '#800000' -strokewidth "$(p 2.4)" -draw "stroke-linejoin round path
      'M $(p 6.5),$(p 27) L $(p 6.5),$(p 12) L $(p 16),$(p 21.5) L $(p 25.5),$(p 12) L $(p 25.5),$(p 27)'" \
    -strip "PNG32:$out/icon-$size.png"
done
