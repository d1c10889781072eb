#!/usr/bin/env bash
# What assistive technology costs the real program, under Xvfb with openbox
# on a session bus of its own with the accessibility bus running (as on a
# desktop): start-up to the board's first frame, interleaved run by run,
#   no bus     without a session bus
#   bus, off   with the accessibility setting off (the program asks and watches)
#   bus, on    with accessibility on (the bridge starts before the first frame)
#   bare SDL2  the floor of the library
# and BEFORE (another build, e.g. main's) with and without the bus; then CPU
# time and wake-ups idle on the board with accessibility off and on.
#
# Usage: tools/measure_a11y.sh [PATH/TO/mirvolant] [BEFORE] [SECONDS]
#   RUNS=N  start-up runs of each (default 15)
set -euo pipefail

if [[ -z "${MV_OWN_SESSION_BUS:-}" ]]; then
  MV_OWN_SESSION_BUS=1 GSETTINGS_BACKEND=memory exec dbus-run-session -- bash "$0" "$@"
fi

ROOT=$(cd "$(dirname "$0")/.." && pwd)
APP=$(realpath "${1:-$ROOT/build/mirvolant}")
BEFORE=${2:+$(realpath "$2")}
SPAN=${3:-30}
RUNS=${RUNS:-15}
TOOLS=$(dirname "$APP")/tools
source "$ROOT/tests/e2e/x11lib.sh"
trap stop_all EXIT
start_desktop
unset MIRVOLANT_ACCESSIBILITY NO_AT_BRIDGE
# Starts the accessibility bus's launcher, as a desktop session does.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled >/dev/null

names=("no bus" "bus, off" "bus, on" "bare SDL2")
commands=("env -u DBUS_SESSION_BUS_ADDRESS $APP" "$APP" "env MIRVOLANT_ACCESSIBILITY=1 $APP"
  "$TOOLS/bare_sdl_window 519 426")
if [[ -n "$BEFORE" ]]; then
  names+=("before, no bus" "before, bus")
  commands+=("env -u DBUS_SESSION_BUS_ADDRESS $BEFORE" "$BEFORE")
fi
count=${#names[@]}
declare -A times
start_once() {
  local ms pid
  # shellcheck disable=SC2086  # the command's words
  read -r ms pid < <("$TOOLS/first_frame" $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) D4D0C8 5000 $1)
  kill -TERM "$pid" 2>/dev/null || true
  while kill -0 "$pid" 2>/dev/null; do sleep 0.02; done
  sleep 0.1
  echo "$ms"
}
for run in $(seq "$RUNS"); do
  for k in $(seq 0 $((count - 1))); do
    i=$(((run + k) % count))
    times[$i]+="$(start_once "${commands[i]}") "
  done
done
median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{v[NR] = $1} END {
  if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "start-up to the first frame, $RUNS interleaved runs each, median and fastest (ms):"
for i in $(seq 0 $((count - 1))); do
  printf '  %-15s %7s %7s   runs: %s\n' "${names[i]}" "$(median <<<"${times[$i]}")" \
    "$(tr ' ' '\n' <<<"${times[$i]}" | grep -v '^$' | sort -n | head -1)" \
    "$(tr ' ' '\n' <<<"${times[$i]}" | grep -v '^$' | sort -n | tr '\n' ' ')"
done
[[ $SPAN == 0 ]] && exit 0

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
for mode in off on; do
  if [[ $mode == on ]]; then
    MIRVOLANT_ACCESSIBILITY=1 "$APP" >/dev/null 2>&1 &
  else
    "$APP" >/dev/null 2>&1 &
  fi
  APP_PID=$!
  BOARD=$(wait_window MIRVOLANT 20) || fail "no board"
  focus_window "$BOARD"
  sleep 2
  read -r cpu0 sw0 < <(sample "$APP_PID")
  sleep "$SPAN"
  read -r cpu1 sw1 < <(sample "$APP_PID")
  echo "idle on the board, accessibility $mode:" \
    "CPU $((cpu1 - cpu0)) ms, $((sw1 - sw0)) wake-ups over $SPAN s," \
    "threads $(ls /proc/"$APP_PID"/task | wc -l), peak resident $(awk '/VmHWM/ {print $2, $3}' \
      "/proc/$APP_PID/status")"
  kill -TERM "$APP_PID"
  wait "$APP_PID" || true
  APP_PID=
done
