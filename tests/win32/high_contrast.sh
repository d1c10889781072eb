#!/usr/bin/env bash
# Mirvolant.exe in a high-contrast colour scheme: a Wine prefix made afresh
# gets the scheme through its registry (tools/cross/schemes/high-contrast.reg),
# the program draws the board in the system's colours, and its client area
# is saved as a screenshot (docs/windows-high-contrast.png comes from here).
#
# Usage: high_contrast.sh PATH/TO/Mirvolant.exe WORK_DIR
set -euo pipefail
app=$(realpath "$1")
work=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/x11lib.sh"
require_tools wine wineserver import convert wmctrl

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
bash "$here/../../tools/cross/wine.sh" --scheme high-contrast "$WINEPREFIX"

trap 'stop_all; wineserver -k 2>/dev/null || true' EXIT
start_desktop
wine "$app" >/dev/null 2>&1 &
APP_PID=$!
board=$(wait_window MIRVOLANT 120) || fail "the board did not appear"

# The scheme's face is black, a field's background (the window colour) black,
# its frame's highlight white and the prompts' text yellow.
wait_pixel "$board" 5 200 000000 30 || fail "the board's face is not the scheme's black"
shot "$board" "$work/board.png"
[[ $(pixel "$work/board.png" 91 57) == 000000 ]] || fail "slot 1's field is not black"
yellow=$(convert "$work/board.png" -crop 124x13+16+24 +repage txt:- | grep -ic '#FFFF00' || true)
((yellow > 20)) || fail "the first prompt is not drawn in the scheme's text colour"
face=$(count_other "$work/board.png" 0 0 519 426 000000)
note "high-contrast board: $face of 221094 pixels are not the black face"
note "screenshot: $work/board.png"

close_window "$board"
wait_app "closing the board"
