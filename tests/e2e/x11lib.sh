# Helpers for driving the program in real windows: a virtual X server with a
# window manager, finding windows, their geometry, screenshots and pixels.
# Sourced by the end-to-end test and by tools/measure_real.sh.

E2E_WIDTH=1280
E2E_HEIGHT=1024

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

note() { echo "[$(date +%H:%M:%S)] $*"; }

require_tools() {
  local tool
  for tool in Xvfb openbox xdotool wmctrl xwininfo xprop import convert compare "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (run tools/deps.sh)"
  done
}

# Starts Xvfb on a free display; sets DISPLAY.
start_x_server() {
  local fifo_dir display_file
  fifo_dir=$(mktemp -d)
  display_file="$fifo_dir/display"
  # -noreset: without it the server resets whenever its last client leaves,
  # and a program connecting in that moment is refused.
  Xvfb -displayfd 3 -screen 0 "${E2E_WIDTH}x${E2E_HEIGHT}x24" -br -nolisten tcp -noreset \
    3>"$display_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [[ -s "$display_file" ]] && break
    sleep 0.05
  done
  [[ -s "$display_file" ]] || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$display_file")"
  rm -rf "$fifo_dir"
}

# Starts Xvfb on a free display and openbox on it; sets DISPLAY.
start_desktop() {
  start_x_server
  openbox --sm-disable >/dev/null 2>&1 &
  WM_PID=$!
  for i in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.05
  done
  fail "openbox did not start"
}

stop_desktop() {
  [[ -n "${WM_PID:-}" ]] && kill "$WM_PID" 2>/dev/null
  [[ -n "${XVFB_PID:-}" ]] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null || true
}

# The program under test: a script sets APP_PID when it starts it and clears
# it once it has ended; stop_all, its exit trap, kills it if still running.
APP_PID=
stop_all() {
  [[ -n "$APP_PID" ]] && kill -KILL "$APP_PID" 2>/dev/null
  stop_desktop
}

# Waits for the program under test to end, which must be with exit code 0;
# $1 names what ended it.
wait_app() {
  wait "$APP_PID" || fail "$1 ended the program with exit code $?"
  APP_PID=
}

# Prints the ids (decimal) of the shown windows whose title is exactly $1.
# The window manager's client list holds the mapped windows with their UTF-8
# titles (xdotool's name search misses non-Latin titles).
visible_windows() {
  local title=$1 id name
  wmctrl -l 2>/dev/null | sed -E 's/^(0x[0-9a-fA-F]+) +-?[0-9]+ +[^ ]+ (.*)$/\1\t\2/' |
    while IFS=$'\t' read -r id name; do
      [[ "$name" == "$title" ]] && printf '%d\n' "$id"
    done | sort -u
}

# Waits up to $2 seconds (default 10) for a visible window titled $1 that is
# not in the list $3, and prints its id.
wait_window() {
  local title=$1 timeout=${2:-10} known=${3:-} id i
  for i in $(seq $((timeout * 20))); do
    for id in $(visible_windows "$title"); do
      [[ " $known " == *" $id "* ]] && continue
      echo "$id"
      return 0
    done
    sleep 0.05
  done
  return 1
}

# Waits up to $2 seconds for window $1 to be unmapped.
wait_gone() {
  local id=$1 timeout=${2:-10} i
  for i in $(seq $((timeout * 20))); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' || return 0
    sleep 0.05
  done
  return 1
}

# Client geometry of window $1: sets WX WY WW WH (absolute client position
# and size) and FL FR FT FB (the window manager's frame extents).
window_geometry() {
  local info extents
  info=$(xwininfo -id "$1")
  WX=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  WY=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  WW=$(awk '/Width:/ {print $2}' <<<"$info")
  WH=$(awk '/Height:/ {print $2}' <<<"$info")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
  IFS=, read -r FL FR FT FB <<<"${extents:-0,0,0,0}"
}

# Expects window $1 with client size $2 x $3 whose outer frame's corner lies
# at ($4, $5).
expect_placed() {
  window_geometry "$1"
  [[ "$WW" == "$2" && "$WH" == "$3" ]] || fail "window $1 is ${WW}x${WH}, expected $2x$3"
  local x=$((WX - FL)) y=$((WY - FT))
  [[ "$x" == "$4" && "$y" == "$5" ]] || fail "window $1 is at $x,$y, expected $4,$5"
}

# Outer geometry of window $1 as "X Y W H".
outer() {
  window_geometry "$1"
  echo "$((WX - FL)) $((WY - FT)) $((WW + FL + FR)) $((WH + FT + FB))"
}

# Expects window $1 (client $2 x $3) centred on the desktop.
expect_desktop_centred() {
  window_geometry "$1"
  local w=$(($2 + FL + FR)) h=$(($3 + FT + FB))
  expect_placed "$1" "$2" "$3" $(((E2E_WIDTH - w) / 2)) $(((E2E_HEIGHT - h) / 2))
}

# Expects window $2 (client $3 x $4) centred on window $1.
expect_centred_on() {
  local ox oy ow oh
  read -r ox oy ow oh < <(outer "$1")
  window_geometry "$2"
  local w=$(($3 + FL + FR)) h=$(($4 + FT + FB))
  expect_placed "$2" "$3" "$4" $((ox + (ow - w) / 2)) $((oy + (oh - h) / 2))
}

# Gives window $1 the keyboard focus as a click on its title bar would.
focus_window() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
  sleep 0.2
}

# Types text $1 into the focused window.
type_text() {
  xdotool type --delay 40 -- "$1"
}

press() {
  xdotool key --delay 60 "$@"
}

# The nine level codes, slot by slot (one in Cyrillic).
LEVEL_CODES=(gg38tt '72m%' '3&9' 28k03 жуфа 367 '%3%' 7bx vemt)

# Solves the board that has the focus, from its first slot: types each code,
# Enter, Tab to the next open slot.
solve_board() {
  local n
  for n in $(seq 0 8); do
    [[ $n -gt 0 ]] && press Tab
    type_text "${LEVEL_CODES[n]}"
    press Return
    sleep 0.2
  done
}

# From the focused board $1, solves it and opens the escape mission through
# the path choice; prints the mission's window id.
open_escape_mission() {
  local paths
  solve_board
  paths=$(wait_window "Выбор пути" 10) || fail "no path choice"
  focus_window "$paths"
  press Tab Tab
  type_text jjj52
  press Return
  wait_window MIRVOLANT 10 "$1" || fail "no escape mission"
}

# Screenshot of window $1's client area into file $2.
shot() {
  import -window "$1" "$2" 2>/dev/null || fail "cannot take a screenshot of $1"
}

# The colour of pixel ($2, $3) of image $1 as RRGGBB.
pixel() {
  convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6
}

# Waits up to $5 seconds until pixel ($2, $3) of window $1 has colour $4;
# leaves the last screenshot in $E2E_LAST_SHOT.
wait_pixel() {
  local i
  E2E_LAST_SHOT=${E2E_LAST_SHOT:-$(mktemp --suffix=.png)}
  for i in $(seq $(($5 * 10))); do
    shot "$1" "$E2E_LAST_SHOT"
    [[ $(pixel "$E2E_LAST_SHOT" "$2" "$3") == "$4" ]] && return 0
    sleep 0.1
  done
  return 1
}

# Number of pixels in the rectangle ($2, $3, width $4, height $5) of image $1
# whose colour differs from $6 (RRGGBB).
count_other() {
  convert "$1" -crop "$4x$5+$2+$3" +repage txt:- | tail -n +2 | grep -vic "#$6" || true
}

# Number of pixels that differ between the same rectangle of images $1, $2.
count_changed() {
  local a b
  a=$(mktemp --suffix=.png)
  b=$(mktemp --suffix=.png)
  convert "$1" -crop "$5x$6+$3+$4" +repage "$a"
  convert "$2" -crop "$5x$6+$3+$4" +repage "$b"
  compare -metric AE "$a" "$b" null: 2>&1 | cut -d' ' -f1
  rm -f "$a" "$b"
}

# Asks window $1 to close as its close box does.
close_window() {
  wmctrl -i -c "$1"
}

# Under libfaketime, Wine's desktop process (which the first window of a
# session needs) often starts too slowly for the faster clock, and that
# window is refused. A stand-in, Wine's notepad, brings it up first, retried
# until its window exists, then minimised; ending the Wine server ends it.
# The arguments are the command words to run it under (a faketime call).
start_wine_desktop() {
  local attempt id
  for attempt in 1 2 3 4 5; do
    "$@" wine notepad >/dev/null 2>&1 &
    if id=$(wait_window "Untitled - Notepad" 10); then
      xdotool windowminimize "$id"
      note "Wine's desktop is up (attempt $attempt)"
      return 0
    fi
  done
  fail "Wine's desktop did not start under libfaketime"
}

# Gives each keysym named (Cyrillic_zhe ...) a key of its own on the X
# server, from the keycodes that have none. For a character the keyboard
# lacks, xdotool lends a spare key and takes it back after typing; Wine
# sometimes reads the key only after it was taken back and loses the
# character. Called before Wine starts, so that Wine learns the keys.
bind_keysyms() {
  local free keysym
  mapfile -t free < <(xmodmap -pke | awk 'NF == 3 {print $2}')
  (($# <= ${#free[@]})) || fail "only ${#free[@]} keycodes are free for $# keysyms"
  for keysym in "$@"; do
    xmodmap -e "keycode ${free[0]} = $keysym"
    free=("${free[@]:1}")
  done
}
