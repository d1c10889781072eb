#!/usr/bin/env bash
# The desktop's text scale, as a player's desktop sets it: the real program
# under Xvfb with openbox, first without Xft.dpi in the resource database,
# then with 120 and 192 merged by xrdb. The board's client size follows the
# layouts' rescale rule, the board is centred on the desktop by its rescaled
# outer size and its content is rescaled too (the first field lies where the
# rule puts it). At 120 the nine slots are solved and the path choice must be
# centred on the board by its own rescaled size.
#
# Usage: density.sh PATH/TO/mirvolant [ARTIFACT_DIR]
set -euo pipefail

APP=$(realpath "$1")
OUT=${2:-$(mktemp -d)}
mkdir -p "$OUT"
source "$(dirname "$0")/x11lib.sh"
require_tools xrdb

trap stop_all EXIT
start_desktop

# Xft.dpi, the board's client size and the height of "0" in the rescaled
# font, which scales every edge (13 at 96 pixels per inch).
cases=(
  "none 519 426 13"
  "120 639 524 16"
  "192 798 655 20"
)
for c in "${cases[@]}"; do
  read -r dpi width height text <<<"$c"
  [[ $dpi != none ]] && echo "Xft.dpi: $dpi" | xrdb -merge
  "$APP" >/dev/null 2>&1 &
  APP_PID=$!
  BOARD=$(wait_window MIRVOLANT 30) || fail "no board at Xft.dpi $dpi"
  expect desktop_centred "$BOARD" "$width" "$height"
  # The first slot's field is white at (83, 57) of the unscaled board.
  read -r x y < <(slot_point 0 91 57 "$text")
  wait_pixel "$BOARD" "$x" "$y" FFFFFF 30 ||
    fail "at Xft.dpi $dpi the first field is not at ($x, $y)"
  cp "$E2E_LAST_SHOT" "$OUT/board-$dpi.png"
  note "Xft.dpi $dpi: board ${width}x${height}, centred on the desktop"
  # The board in its window manager's frame, as the player sees it.
  read -r ox oy ow oh < <(outer "$BOARD")
  import -window root -crop "${ow}x${oh}+${ox}+${oy}" +repage "$OUT/real-board-$dpi.png"

  if [[ $dpi == 120 ]]; then
    solve_board "$BOARD" "$text"
    PATHS=$(wait_window "Выбор пути" 30) || fail "no path choice at Xft.dpi 120"
    # 617 x 295 rescaled by 16/13.
    expect centred_on "$BOARD" "$PATHS" 759 363
    shot "$PATHS" "$OUT/path-choice-$dpi.png"
    note "Xft.dpi 120: path choice 759x363, centred on the board"
  fi
  kill -TERM "$APP_PID"
  wait_app "SIGTERM at Xft.dpi $dpi"
done
echo PASS
