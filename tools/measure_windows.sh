#!/usr/bin/env bash
# Measures the Windows program under Wine side by side with the Linux program,
# in one run on one virtual X server with openbox:
#   - start-up: from starting the process to the board's first frame on
#     screen, side by side with a bare Win32 window of the board's size and
#     colour (tools/bare_win32_window.c, the floor of Win32 under Wine),
#     interleaved round by round, each round beginning with another program;
#     Wine's server and desktop process are already running, as they are on
#     Windows; Wine's start-up varies by whole seconds, so only medians over
#     enough rounds compare;
#   - CPU time over an idle spell on the board (for Wine also its server's);
#   - peak memory after playing up to the escape mission and letting it count
#     down: VmHWM, which under Wine is also what the program itself would read
#     as its peak working set (GetProcessMemoryInfo).
# The Windows programs are measured as the zip and the installer ship them:
# stripped copies, beside links to the files of their folders. A build tree's
# program carries some 16 MB of debugging sections in its image, which made
# its start under Wine about 28 ms slower (one run of 41 rounds); no player
# pays that.
# Wine is not Windows: its figures are indicative only.
#
# Usage: tools/measure_windows.sh LINUX_PROGRAM WINDOWS_PROGRAM.exe [SECONDS]
#   (0 seconds: start-up only)
#   RUNS=N        start-up rounds (default 15)
#   COMPARE=PATH  another build of the Windows program, measured in the same rounds
#   BARE=PATH     the bare Win32 window (default: tools/bare_win32_window.exe
#                 beside the Windows program, as in the build tree)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
LINUX_APP=$(realpath "${1:?usage: measure_windows.sh LINUX_PROGRAM WINDOWS_PROGRAM.exe}")
WINDOWS_APP=$(realpath "${2:?usage: measure_windows.sh LINUX_PROGRAM WINDOWS_PROGRAM.exe}")
SPAN=${3:-30}
RUNS=${RUNS:-15}
BARE=$(realpath "${BARE:-$(dirname "$WINDOWS_APP")/tools/bare_win32_window.exe}")
[[ -f $BARE ]] || { echo "$BARE is missing (build the target bare_win32_window)" >&2; exit 1; }
source "$ROOT/tests/e2e/x11lib.sh"
source "$ROOT/tools/rounds.sh"
STRIP=${STRIP:-x86_64-w64-mingw32-strip}
require_tools cc wine wineserver xmodmap "$STRIP"

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

# A stripped copy of Windows program $1 in a folder of its own that links
# the other files of the program's folder (the face, the clue picture);
# prints its path.
shipped() {
  local folder file
  folder=$(mktemp -d "$WORK/program.XXXX")
  for file in "$(dirname "$1")"/*; do
    [[ -f $file && $file != "$1" ]] && ln -s "$file" "$folder/"
  done
  "$STRIP" -o "$folder/$(basename "$1")" "$1"
  echo "$folder/$(basename "$1")"
}

# The programs, by the name printed.
names=(mirvolant Mirvolant.exe "bare Win32")
WINDOWS_APP=$(shipped "$WINDOWS_APP")
apps=("$LINUX_APP" "$WINDOWS_APP" "$(shipped "$BARE")")
if [[ -n "${COMPARE:-}" ]]; then
  names+=(compared.exe)
  apps+=("$(shipped "$(realpath "$COMPARE")")")
fi
count=${#names[@]}

# One start of program $1: prints the milliseconds to the first frame (the
# pixel at the desktop's centre lies on the board), "timeout", or "stale".
start_once() {
  local ms pid
  # shellcheck disable=SC2046  # the command's words
  read -r ms pid < <("$WORK/first_frame" $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) D4D0C8 20000 \
    $(command_of "$1"))
  # No process when the screen still showed the last window ("stale").
  if [[ -n $pid ]]; then
    kill -TERM "$pid"
    until ended "$pid"; do sleep 0.05; done
  fi
  # A Windows program's process under Wine ends before its windows go.
  sleep 0.2
  echo "$ms"
}

# Wine sets up each program at its first start in a prefix: one start of
# each, not counted, then the rounds.
for app in "${apps[@]}"; do start_once "$app" >/dev/null; done
run_rounds "$RUNS" start_once "${apps[@]}"

declare -a medians
for i in $(seq 0 $((count - 1))); do medians[i]=$(median <<<"${times[$i]}"); done
echo "start-up to the first frame, $RUNS interleaved rounds, median and fastest (ms);"
echo "paired: the median of the ratios of the starts in the same round"
for i in $(seq 0 $((count - 1))); do
  line=$(printf '  %-13s %8s %8s' "${names[i]}" "${medians[i]}" "$(fastest <<<"${times[$i]}")")
  [[ ${apps[i]} == *.exe && $i != 2 ]] &&
    line+=$(awk -v a="${medians[i]}" -v b="${medians[2]}" -v p="$(paired_ratio "$i" 2)" \
      'BEGIN { printf "   %.2f x bare Win32 (paired %s)", a / b, p }')
  echo "$line"
done
print_runs 13 "${names[@]}"
[[ $SPAN == 0 ]] && exit 0

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
  measure "$app"
done
