#!/usr/bin/env bash
# Measures the real program in real windows under Xvfb with openbox:
#   - start-up: from starting the process to the board's first frame on
#     screen (a pixel at the desktop's centre turns the dialog colour), side
#     by side with a bare SDL2 window and a bare Xlib window of the board's
#     size and colour (the floors of the library and of the X server),
#     interleaved run by run so that the machine's load hits all alike,
#   - CPU time and wake-ups (context switches of all threads) over an idle
#     minute on the board, and over a minute while a mission counts down,
#   - peak resident memory (VmHWM).
#
# Usage: tools/measure_real.sh [PATH/TO/mirvolant] [SECONDS]  (0 seconds: start-up only)
#   RUNS=N        start-up runs of each program (default 15)
#   COMPARE=PATH  other builds of the program (separated by blanks), measured in
#                 the same rounds
#   TOOLS=DIR     where the bare windows and first_frame are built
#                 (default: tools/ beside the program, as in the build tree)
#   A11Y=1        what assistive technology costs: on a session bus of its own
#                 with the accessibility bus running, as on a desktop, the
#                 program is also started without a session bus and with
#                 accessibility on, and the idle minute is measured both ways
# Run it under dbus-run-session to measure with a session bus, as on a desktop
# (without one, every SDL program first tries to start one).
set -euo pipefail

if [[ -n "${A11Y:-}" && -z "${MV_OWN_SESSION_BUS:-}" ]]; then
  MV_OWN_SESSION_BUS=1 GSETTINGS_BACKEND=memory exec dbus-run-session -- bash "$0" "$@"
fi

ROOT=$(cd "$(dirname "$0")/.." && pwd)
APP=$(realpath "${1:-$ROOT/build/mirvolant}")
SECONDS_IDLE=${2:-60}
RUNS=${RUNS:-15}
TOOLS=${TOOLS:-$(dirname "$APP")/tools}
source "$ROOT/tests/e2e/x11lib.sh"
source "$ROOT/tools/rounds.sh"
require_tools
for tool in first_frame bare_sdl_window bare_x11_window; do
  [[ -x "$TOOLS/$tool" ]] || fail "$TOOLS/$tool is missing (build the target $tool)"
done

APP_PID=
cleanup() {
  [[ -n "$APP_PID" ]] && kill -KILL "$APP_PID" 2>/dev/null
  stop_desktop
}
trap cleanup EXIT
start_desktop

# The programs, by the name printed; the bare windows take the board's size.
names=(mirvolant "bare SDL2" "bare Xlib")
commands=("$APP" "$TOOLS/bare_sdl_window 519 426" "$TOOLS/bare_x11_window 519 426")
n=0
for other in ${COMPARE:-}; do
  names+=("compared$((n += 1))")
  commands+=("$(realpath "$other")")
done
if [[ -n "${A11Y:-}" ]]; then
  unset MIRVOLANT_ACCESSIBILITY NO_AT_BRIDGE
  # Starts the accessibility bus's launcher, as a desktop session does.
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled >/dev/null
  names+=("no bus" "a11y on")
  commands+=("env -u DBUS_SESSION_BUS_ADDRESS $APP" "env MIRVOLANT_ACCESSIBILITY=1 $APP")
fi
count=${#names[@]}

# One start: milliseconds to the first frame at the desktop's centre, which
# every window covers; then the program is ended and gone before the next.
start_once() {
  local ms pid
  # shellcheck disable=SC2086  # the command's words
  read -r ms pid < <("$TOOLS/first_frame" $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) D4D0C8 5000 $1)
  kill -TERM "$pid" 2>/dev/null || true
  # SDL can miss a signal that comes while it starts to wait: after two
  # seconds the program is killed.
  local tries=0
  until ended "$pid"; do
    ((++tries < 100)) || kill -KILL "$pid" 2>/dev/null || true
    sleep 0.02
  done
  sleep 0.1
  echo "$ms"
}

run_rounds "$RUNS" start_once "${commands[@]}"
declare -a medians minimums
for i in $(seq 0 $((count - 1))); do
  medians[i]=$(median <<<"${times[$i]}")
  minimums[i]=$(fastest <<<"${times[$i]}")
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "start-up to the first frame, $RUNS interleaved runs each, median and fastest (ms);"
echo "paired: the median of the ratios of the starts in the same round"
for i in $(seq 0 $((count - 1))); do
  line=$(printf '  %-10s %7s %7s' "${names[i]}" "${medians[i]}" "${minimums[i]}")
  if [[ ${names[i]} != "bare SDL2" && ${names[i]} != "bare Xlib" ]]; then
    line+="   $(ratio "${medians[i]}" "${medians[1]}") x bare SDL2 (paired $(paired_ratio "$i" 1)),"
    line+=" $(ratio "${medians[i]}" "${medians[2]}") x bare Xlib"
  elif [[ ${names[i]} == "bare SDL2" ]]; then
    line+="   $(ratio "${medians[1]}" "${medians[2]}") x bare Xlib"
  fi
  echo "$line"
done
print_runs 10 "${names[@]}"
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

if [[ -n "${A11Y:-}" ]]; then
  MIRVOLANT_ACCESSIBILITY=1 "$APP" >/dev/null 2>&1 &
  APP_PID=$!
  BOARD=$(wait_window MIRVOLANT 20) || fail "no board"
  focus_window "$BOARD"
  sleep 2
  echo "idle on the board, accessibility on: $(measure_idle "$APP_PID" "$SECONDS_IDLE")," \
    "threads $(ls /proc/"$APP_PID"/task | wc -l)," \
    "peak resident $(awk '/VmHWM/ {print $2, $3}' "/proc/$APP_PID/status")"
  kill -TERM "$APP_PID"
  wait "$APP_PID" || true
fi

"$APP" >/dev/null 2>&1 &
APP_PID=$!
BOARD=$(wait_window MIRVOLANT 20) || fail "no board"
focus_window "$BOARD"
sleep 2
echo "idle on the board (caret blinking): $(measure_idle "$APP_PID" "$SECONDS_IDLE")"

# Play up to the escape mission and let it count down.
ESCAPE=$(open_escape_mission "$BOARD") || fail "no escape mission"
focus_window "$ESCAPE"
sleep 2
echo "escape mission counting down: $(measure_idle "$APP_PID" "$SECONDS_IDLE")"
echo "peak resident memory: $(awk '/VmHWM/ {print $2, $3}' "/proc/$APP_PID/status")"
echo "threads: $(ls /proc/"$APP_PID"/task | wc -l)"
