#!/usr/bin/env bash
# Measures the Windows program under Wine side by side with the Linux program,
# in one run on one virtual X server with openbox:
#   - start-up: from starting the process to the board's first frame on
#     screen, ten runs of each, taken in turns; Wine's server and desktop
#     process are already running, as they are on Windows;
#   - CPU time over an idle spell on the board (for Wine also its server's);
#   - peak memory after playing up to the escape mission and letting it count
#     down: VmHWM, which under Wine is also what the program itself would read
#     as its peak working set (GetProcessMemoryInfo).
# Wine is not Windows: its figures are indicative only.
#
# Usage: tools/measure_windows.sh LINUX_PROGRAM WINDOWS_PROGRAM.exe [SECONDS]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
LINUX_APP=$(realpath "${1:?usage: measure_windows.sh LINUX_PROGRAM WINDOWS_PROGRAM.exe}")
WINDOWS_APP=$(realpath "${2:?usage: measure_windows.sh LINUX_PROGRAM WINDOWS_PROGRAM.exe}")
SPAN=${3:-30}
source "$ROOT/tests/e2e/x11lib.sh"
require_tools cc wine wineserver xmodmap

WORK=$(mktemp -d)
export WINEPREFIX=${MV_WINEPREFIX:-$WORK/prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$ROOT/tools/cross/wine.sh" --prepare "$WINEPREFIX"
APP_PID=
cleanup() {
  [[ -n "$APP_PID" ]] && kill -KILL "$APP_PID" 2>/dev/null
  wineserver -k 2>/dev/null || true
  stop_desktop
  rm -rf "$WORK"
}
trap cleanup EXIT

cc -O2 -o "$WORK/first_frame" "$ROOT/tools/first_frame.c" -lX11
wineserver -k 2>/dev/null || true
start_desktop
wineserver -p
# The desktop process comes up with the first Windows program.
wine cmd /c exit >/dev/null 2>&1

# The command that runs program $1.
command_of() {
  if [[ $1 == *.exe ]]; then echo wine "$1"; else echo "$1"; fi
}

# Start-up in turns; the pixel at the desktop's centre lies on the board.
declare -A times
for run in $(seq 10); do
  for app in "$LINUX_APP" "$WINDOWS_APP"; do
    read -r ms pid < <("$WORK/first_frame" $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) D4D0C8 20000 \
      $(command_of "$app"))
    times[$app]+="$ms "
    kill -TERM "$pid"
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
  done
done

# CPU time (ms) of process $1.
cpu_ms() {
  echo $(($(awk '{print $14 + $15}' "/proc/$1/stat") * 1000 / $(getconf CLK_TCK)))
}
server_pid() {
  pgrep -n -x wineserver64 || pgrep -n -x wineserver || echo ""
}

# Idle on the board, then up to the escape mission; prints the figures.
measure() {
  local app=$1 server cpu0 cpu1 s0=0 s1=0
  $(command_of "$app") >/dev/null 2>&1 &
  APP_PID=$!
  local board
  board=$(wait_window MIRVOLANT 30) || fail "no board from $app"
  focus_window "$board"
  sleep 2
  server=$([[ $app == *.exe ]] && server_pid || true)
  cpu0=$(cpu_ms "$APP_PID")
  [[ -n $server ]] && s0=$(cpu_ms "$server")
  sleep "$SPAN"
  cpu1=$(cpu_ms "$APP_PID")
  [[ -n $server ]] && s1=$(cpu_ms "$server")
  local idle="CPU $((cpu1 - cpu0)) ms over $SPAN s idle on the board"
  [[ -n $server ]] && idle+=" (Wine server: $((s1 - s0)) ms)"

  local escape
  escape=$(open_escape_mission "$board") || fail "no escape mission from $app"
  sleep 10
  echo "  $idle"
  echo "  peak memory after 10 s of the escape mission: $(awk '/VmHWM/ {print $2, $3}' \
    "/proc/$APP_PID/status")"
  kill -TERM "$APP_PID"
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=
}

for app in "$LINUX_APP" "$WINDOWS_APP"; do
  echo "$(basename "$app")$([[ $app == *.exe ]] && echo " under $(wine --version)"):"
  echo "  start-up to first frame (ms), 10 runs: $(tr ' ' '\n' <<<"${times[$app]}" | sort -n |
    tr '\n' ' ')"
  measure "$app"
done
