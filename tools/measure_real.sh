#!/usr/bin/env bash
# Measures the real program in real windows under Xvfb with openbox:
#   - start-up: from starting the process to the board's first frame on
#     screen (a pixel at the desktop's centre turns the dialog colour),
#   - CPU time and wake-ups (context switches of all threads) over an idle
#     minute on the board, and over a minute while a mission counts down,
#   - peak resident memory (VmHWM).
#
# Usage: tools/measure_real.sh [PATH/TO/mirvolant] [SECONDS]  (0 seconds: start-up only)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
APP=$(realpath "${1:-$ROOT/build/mirvolant}")
SECONDS_IDLE=${2:-60}
source "$ROOT/tests/e2e/x11lib.sh"
require_tools cc

WORK=$(mktemp -d)
APP_PID=
cleanup() {
  [[ -n "$APP_PID" ]] && kill -KILL "$APP_PID" 2>/dev/null
  stop_desktop
  rm -rf "$WORK"
}
trap cleanup EXIT

cc -O2 -o "$WORK/first_frame" "$ROOT/tools/first_frame.c" -lX11
start_desktop

# Start-up, ten runs; the pixel at the desktop's centre lies on the board.
times=()
for run in $(seq 10); do
  read -r ms pid < <("$WORK/first_frame" $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) D4D0C8 5000 "$APP")
  times+=("$ms")
  kill -TERM "$pid"
  while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
done
echo "start-up to first frame (ms), 10 runs: $(printf "%s\n" "${times[@]}" | sort -n | tr "\n" " ")"
[[ $SECONDS_IDLE == 0 ]] && exit 0

# CPU time (ms) and context switches of all threads of process $1.
sample() {
  local pid=$1 ticks switches=0 task
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  for task in /proc/"$pid"/task/*; do
    switches=$((switches + $(awk '/^(non)?voluntary_ctxt_switches/ {s += $2} END {print s}' \
      "$task/status")))
  done
  echo "$((ticks * 1000 / $(getconf CLK_TCK))) $switches"
}

# Prints CPU and wake-ups of process $1 over $2 seconds.
measure_idle() {
  local pid=$1 span=$2 cpu0 sw0 cpu1 sw1
  read -r cpu0 sw0 < <(sample "$pid")
  sleep "$span"
  read -r cpu1 sw1 < <(sample "$pid")
  echo "CPU $((cpu1 - cpu0)) ms, $((sw1 - sw0)) wake-ups over $span s"
}

"$APP" >/dev/null 2>&1 &
APP_PID=$!
BOARD=$(wait_window MIRVOLANT 20) || fail "no board"
focus_window "$BOARD"
sleep 2
echo "idle on the board (caret blinking): $(measure_idle "$APP_PID" "$SECONDS_IDLE")"

# Play up to the escape mission and let it count down.
codes=(gg38tt '72m%' '3&9' 28k03 жуфа 367 '%3%' 7bx vemt)
for n in $(seq 0 8); do
  [[ $n -gt 0 ]] && press Tab
  type_text "${codes[n]}"
  press Return
  sleep 0.2
done
PATHS=$(wait_window "Выбор пути" 10) || fail "no path choice"
focus_window "$PATHS"
press Tab Tab
type_text jjj52
press Return
ESCAPE=$(wait_window MIRVOLANT 10 "$BOARD") || fail "no escape mission"
focus_window "$ESCAPE"
sleep 2
echo "escape mission counting down: $(measure_idle "$APP_PID" "$SECONDS_IDLE")"
echo "peak resident memory: $(awk '/VmHWM/ {print $2, $3}' "/proc/$APP_PID/status")"
echo "threads: $(ls /proc/"$APP_PID"/task | wc -l)"
