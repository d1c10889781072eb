#!/usr/bin/env bash
# Plays the whole quest in real windows, as a player would: the built program
# runs under a virtual X server with openbox, xdotool types and presses keys,
# screenshots are checked at known places, and the close box ends each dialog.
# The countdown runs twenty times faster under libfaketime (the program itself
# is unchanged), so the mystery mission's three phases take three minutes.
#
# With --wine, the program is a Windows executable run under Wine in the given
# prefix (made on first use). Its Wine server runs under the same faster clock
# as the program, and the last start is ended the Windows way, by taskkill's
# close request, instead of a signal.
#
# Usage: play_quest.sh [--wine PREFIX] PATH/TO/PROGRAM [ARTIFACT_DIR]
set -euo pipefail

WINE_PREFIX=
if [[ ${1:-} == --wine ]]; then
  WINE_PREFIX=$(realpath -m "$2")
  shift 2
fi
APP=$(realpath "$1")
OUT=${2:-$(mktemp -d)}
RATE=${E2E_RATE:-20}
mkdir -p "$OUT"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x11lib.sh"
require_tools faketime

if [[ -n $WINE_PREFIX ]]; then
  require_tools wine wineserver
  bash "$here/../../tools/cross/wine.sh" --prepare "$WINE_PREFIX"
  export WINEPREFIX=$WINE_PREFIX WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
  # File times stay true: Wine would otherwise think the prefix outdated.
  export NO_FAKE_STAT=1
  wineserver -k 2>/dev/null || true
fi

# Starts the program in the background after the command words given (none,
# or a faketime call); sets APP_PID.
launch() {
  if [[ -n $WINE_PREFIX ]]; then
    "$@" wine "$APP" &
  else
    "$@" "$APP" &
  fi
  APP_PID=$!
}

FACE=D4D0C8
WHITE=FFFFFF

# Wine's server ends with the desktop.
trap 'stop_all; [[ -z $WINE_PREFIX ]] || wineserver -k 2>/dev/null || true' EXIT

start_desktop
note "desktop on $DISPLAY, artifacts in $OUT"

# Waits up to $6 seconds until the rectangle ($2, $3, $4 x $5) of window $1
# differs from what it showed when the wait began.
wait_change() {
  shot "$1" "$OUT/a.png"
  eventually "$6" changed_since "$OUT/a.png" "$@"
}
changed_since() {
  shot "$2" "$OUT/b.png"
  [[ $(count_changed "$1" "$OUT/b.png" "$3" "$4" "$5" "$6") -gt 0 ]]
}

# Waits for the $1 mission's window (672 x $2, none of the windows $KNOWN),
# placed as the test "$3 ... WINDOW 672 $2" says, with its white drain-code
# field and a status line that counts down; sets ESCAPE, VICTORY or MYSTERY
# to it and adds it to KNOWN.
open_mission() {
  local name=$1 height=$2 id
  shift 2
  id=$(wait_window MIRVOLANT 30 "$KNOWN") || fail "the $name mission did not open"
  printf -v "${name^^}" %s "$id"
  KNOWN+=" $id"
  expect "$@" "$id" 672 "$height"
  note "$name mission $id: 672x$height, $1"
  wait_pixel "$id" 68 $((height - 47)) "$WHITE" 30 || fail "the $name mission has no field"
  cp "$E2E_LAST_SHOT" "$OUT/real-$name.png"
  wait_change "$id" 2 $((height - 29)) 550 27 30 ||
    fail "the $name mission's countdown does not change"
}

# ---------------------------------------------------------------- the board
note "starting $APP under libfaketime x$RATE"
[[ -n $WINE_PREFIX ]] && start_wine_desktop faketime -m -f "+0 x$RATE"
launch faketime -m -f "+0 x$RATE" >"$OUT/stdout.txt" 2>"$OUT/stderr.txt"

BOARD=$(wait_window MIRVOLANT 30) || fail "the board window did not appear"
expect desktop_centred "$BOARD" 519 426
[[ $(visible_windows MIRVOLANT | wc -l) == 1 ]] || fail "more than one window at start"
[[ -z $(visible_windows "Выбор пути") ]] || fail "the path choice is visible at start"
note "board $BOARD: 519x426, centred on the desktop"
# The colour of slot $2's field (0 for the first) in screenshot $1.
field_colour() { pixel "$1" $(slot_point "$2" 91 57); }
wait_pixel "$BOARD" $(slot_point 0 91 57) "$WHITE" 30 || fail "the board is not drawn"
cp "$E2E_LAST_SHOT" "$OUT/board-start.png"
for n in $(seq 0 8); do
  [[ $(field_colour "$OUT/board-start.png" "$n") == "$WHITE" ]] ||
    fail "slot $((n + 1))'s field is not shown at start"
done

# The first field has the focus. Solving a slot hides its field, and Tab then
# walks to the next open one.
solve_board "$BOARD"

# ---------------------------------------------------------- the path choice
PATHS=$(wait_window "Выбор пути" 30) || fail "the path choice did not open"
expect centred_on "$BOARD" "$PATHS" 617 295
note "path choice $PATHS: 617x295, centred on the board"
# The board beneath is disabled: its close box does nothing now (seen below,
# once the program has handled later input).
close_window "$BOARD"
# The memo's white area and the third slot's white field.
wait_pixel "$PATHS" 600 130 "$WHITE" 30 || fail "no story memo"
cp "$E2E_LAST_SHOT" "$OUT/real-path-choice.png"
[[ $(pixel "$OUT/real-path-choice.png" 520 201) == "$WHITE" ]] || fail "no third path field"

# The road's path (the escape mission's, behind the third field).
focus_window "$PATHS"
enter_path "$ROAD_PATH"

# ------------------------------------------------------ the escape mission
KNOWN=$BOARD
open_mission escape 256 centred_on "$BOARD"
viewable "$BOARD" || fail "the disabled board closed"
viewable "$PATHS" || fail "the path choice closed with the board's close box"

# Its drain code, with the Latin letter in capitals, opens the victory
# mission while the escape mission stays on screen beneath.
focus_window "$ESCAPE"
type_text "${DRAIN_CODES[0]^^}"
press Return
open_mission victory 256 desktop_centred
viewable "$ESCAPE" || fail "the escape mission vanished too early"

focus_window "$VICTORY"
type_text "${DRAIN_CODES[1]}"
press Return

# ----------------------------------------------------- the mystery mission
open_mission mystery 368 centred_on "$BOARD"

# Phase 1 ends after 1200 s of the program's time: the picture covers the
# task area.
picture_shown() {
  shot "$MYSTERY" "$OUT/m.png"
  [[ $(count_other "$OUT/m.png" 300 100 40 40 "$FACE") -gt 800 ]]
}
# Generous: a starved program drops late ticks, and its phases then last longer.
limit=$((2 * 1300 / RATE + 30))
eventually "$limit" picture_shown || fail "the clue picture did not appear"
cp "$OUT/m.png" "$OUT/real-mystery-picture.png"
note "phase 1 over: the clue picture is shown"

eventually "$limit" not picture_shown || fail "the clue picture was not hidden"
note "phase 2 over: the clue text is shown"
cp "$OUT/m.png" "$OUT/mystery-clue.png"

# Phase 3 ends with the drain code, which replaces the clue text.
eventually "$limit" changed_since "$OUT/mystery-clue.png" "$MYSTERY" 20 20 500 40 ||
  fail "the drain code text is not shown"
cp "$OUT/b.png" "$OUT/mystery-drain.png"
[[ $(pixel "$OUT/mystery-drain.png" 68 321) == "$WHITE" ]] || fail "no drain-code field"
# The countdown then stands still: nothing changes over a second and a half
# of the real clock (thirty seconds of the program's).
shot "$MYSTERY" "$OUT/a.png"
sleep 1.5
shot "$MYSTERY" "$OUT/b.png"
[[ $(count_changed "$OUT/a.png" "$OUT/b.png" 2 339 550 27) == 0 ]] ||
  fail "the countdown did not end"
note "phase 3 over: the drain code is shown and the countdown stopped"

focus_window "$MYSTERY"
type_text "${DRAIN_CODES[2]}"
press Return
# The slot is hidden and the task area now shows the engine code.
wait_pixel "$MYSTERY" 68 321 "$FACE" 30 || fail "the drain-code slot is still shown"
shot "$MYSTERY" "$OUT/real-mystery.png"
changed=$(count_changed "$OUT/mystery-drain.png" "$OUT/real-mystery.png" 20 20 500 60)
[[ $changed -gt 0 ]] || fail "the engine code is not shown"
note "engine code shown"

# ------------------------------------------------------ closing everything
# The mystery mission's close box unwinds mystery, victory and escape.
close_window "$MYSTERY"
for id in $MYSTERY $VICTORY $ESCAPE; do
  wait_gone "$id" 30 || fail "mission window $id did not close"
done
viewable "$PATHS" || fail "the path choice closed with the missions"
note "missions closed; back at the path choice"

close_window "$PATHS"
wait_gone "$PATHS" 30 || fail "the path choice did not close"
# Uncovered again, the board shows nine solved slots: each field gave way to
# the panel's face, and the panel shows its "OK" (dark text around its
# centre).
board_solved() {
  local n x y
  shot "$BOARD" "$OUT/real-board.png"
  for n in $(seq 0 8); do
    E2E_WHY="slot $((n + 1)) not solved"
    [[ $(field_colour "$OUT/real-board.png" "$n") == "$FACE" ]] || return 1
    read -r x y < <(slot_point "$n" 76 57)
    E2E_WHY="slot $((n + 1))'s panel shows no OK"
    [[ $(count_other "$OUT/real-board.png" "$x" "$y" 24 14 "$FACE") -gt 10 ]] || return 1
  done
}
expect board_solved

close_window "$BOARD"
eventually 30 not kill -0 "$APP_PID" 2>/dev/null ||
  fail "the program did not end after the board was closed"
wait_app "closing the board"
note "board closed; exit code 0"

# ------------------------------------------------------- a signal ends it
# Windows has no SIGTERM: there taskkill asks the program's windows to close.
if [[ -n $WINE_PREFIX ]]; then
  # The next start runs on the true clock, with a Wine server of its own.
  wineserver -k 2>/dev/null || true
fi
if [[ -z $WINE_PREFIX ]]; then
  # A busy desktop: the window manager answers only after the board was
  # placed and shown; the board still ends centred by its outer frame.
  kill -STOP "$WM_PID"
  launch >/dev/null 2>&1
  sleep 0.5
  kill -CONT "$WM_PID"
else
  launch >/dev/null 2>&1
fi
BOARD=$(wait_window MIRVOLANT 30) || fail "the board did not appear on the second start"
expect desktop_centred "$BOARD" 519 426
note "second start: the board centred on the desktop"
if [[ -n $WINE_PREFIX ]]; then
  wine taskkill /im "$(basename "$APP")" >/dev/null 2>&1
  how="taskkill"
else
  kill -TERM "$APP_PID"
  how="SIGTERM"
fi
wait_app "$how"
note "$how: exit code 0"
echo "PASS"
