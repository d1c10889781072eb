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
  for tool in Xvfb openbox xdotool wmctrl xwininfo xprop xmodmap import convert compare "$@"; do
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
  eventually 10 test -s "$display_file" || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$display_file")"
  rm -rf "$fifo_dir"
}

# Starts Xvfb on a free display and openbox on it, with keys for the road's
# letters; sets DISPLAY.
start_desktop() {
  start_x_server
  bind_keysyms
  openbox --sm-disable >/dev/null 2>&1 &
  WM_PID=$!
  eventually 10 wm_running || fail "openbox did not start"
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

stop_desktop() {
  # A window manager a test stopped must run again to end.
  [[ -n "${WM_PID:-}" ]] && kill -CONT "$WM_PID" 2>/dev/null && kill "$WM_PID" 2>/dev/null
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
wait_window() { eventually "${2:-10}" new_window "$1" "${3:-}"; }
new_window() {
  local id
  for id in $(visible_windows "$1"); do
    [[ " $2 " == *" $id "* ]] || { echo "$id" && return 0; }
  done
  return 1
}

# Whether window $1 is mapped; waits up to $2 seconds for it to be unmapped.
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
wait_gone() { eventually "${2:-10}" not viewable "$1"; }

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

# Runs the command $2... until it succeeds, every 0.2 s for up to $1 seconds.
eventually() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

not() { ! "$@"; }

# Whether window $1 has client size $2 x $3 and its outer frame's corner at
# ($4, $5); if not, E2E_WHY says where it is.
placed() {
  window_geometry "$1"
  local x=$((WX - FL)) y=$((WY - FT))
  [[ "$WW" == "$2" && "$WH" == "$3" && "$x" == "$4" && "$y" == "$5" ]] && return 0
  E2E_WHY="window $1 is ${WW}x${WH} at $x,$y, expected $2x$3 at $4,$5"
  return 1
}

# Outer geometry of window $1 as "X Y W H".
outer() {
  window_geometry "$1"
  echo "$((WX - FL)) $((WY - FT)) $((WW + FL + FR)) $((WH + FT + FB))"
}

# Whether window $1 (client $2 x $3) is centred on the desktop.
desktop_centred() {
  window_geometry "$1"
  local w=$(($2 + FL + FR)) h=$(($3 + FT + FB))
  placed "$1" "$2" "$3" $(((E2E_WIDTH - w) / 2)) $(((E2E_HEIGHT - h) / 2))
}

# Whether window $2 (client $3 x $4) is centred on window $1.
centred_on() {
  local ox oy ow oh
  read -r ox oy ow oh < <(outer "$1")
  window_geometry "$2"
  local w=$(($3 + FL + FR)) h=$(($4 + FT + FB))
  placed "$2" "$3" "$4" $((ox + (ow - w) / 2)) $((oy + (oh - h) / 2))
}

# Expects the test $1... to hold within 30 seconds (a window is placed again
# once the window manager's frame is known).
expect() { eventually 30 "$@" || fail "$E2E_WHY"; }

# Gives window $1 the keyboard focus as a click on its title bar would, and
# waits until the X server has it there.
focus_window() {
  xdotool windowactivate "$1" >/dev/null 2>&1 || xdotool windowfocus "$1"
  eventually 30 has_focus "$1" || fail "window $1 does not take the focus"
}
has_focus() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]]; }

# Types text $1 into the focused window.
type_text() {
  xdotool type --delay 40 -- "$1"
}

press() {
  xdotool key --delay 60 "$@"
}

# The road through the quest (tests/road/road.txt): LEVEL_CODES (slot 1
# first), PATH_CODES (field 1 first), DRAIN_CODES (in the road's order) and
# ROAD_PATH, the path field the road takes.
LEVEL_CODES=() PATH_CODES=() DRAIN_CODES=() ROAD_PATH=
while IFS=$'\t' read -r kind a b rest; do
  case $kind in
    level) LEVEL_CODES+=("$b") ;;
    path) PATH_CODES+=("$b") ;;
    drain) DRAIN_CODES+=("$b") ;;
    stop) [[ $b == path ]] && ROAD_PATH=$rest ;;
  esac
done <"$(dirname "${BASH_SOURCE[0]}")/../road/road.txt"
unset kind a b rest

# Slot N's panel (0 for the first) lies at these client coordinates of the
# board (the left column starts 8 pixels outside the client area); in it the
# field at (+23, +48), 137 x 19, and the "ОК" button at (+56, +80), 65 x 22.
PANEL_LEFT=(-8 168 344 -8 168 344 -8 168 344)
PANEL_TOP=(0 0 0 128 128 128 256 256 256)
# Prints "X Y": point ($2, $3) of slot $1's panel on a board whose text is
# ${4:-13} pixels high (13 at 96 pixels per inch; the board rescales with it).
slot_point() {
  local scale=${4:-13}
  echo $((((PANEL_LEFT[$1] + $2) * scale + 6) / 13)) $((((PANEL_TOP[$1] + $3) * scale + 6) / 13))
}

# Solves board $1 (text height $2, default 13) from its first slot as a
# player would: the first code in capitals, the second checked by its "ОК"
# button, the others by Enter, Tab to the next open slot. Each slot but the
# last is seen solved (its field gives way to the panel's face) before the
# next; the last opens the path choice.
solve_board() {
  local n x y code
  focus_window "$1"
  for n in $(seq 0 8); do
    [[ $n -gt 0 ]] && press Tab
    code=${LEVEL_CODES[n]}
    ((n)) || code=${code^^}
    type_text "$code"
    if [[ $n == 1 ]]; then
      read -r x y < <(slot_point 1 88 91 "${2:-13}")
      xdotool mousemove --window "$1" "$x" "$y" click 1
    else
      press Return
    fi
    [[ $n == 8 ]] && break
    read -r x y < <(slot_point "$n" 91 57 "${2:-13}")
    wait_pixel "$1" "$x" "$y" D4D0C8 30 ||
      fail "slot $((n + 1)) is not solved after typing its code"
  done
}

# Types path N's code into the focused path choice (Tab to its field).
enter_path() {
  local n
  for ((n = 1; n < $1; ++n)); do press Tab; done
  type_text "${PATH_CODES[$1 - 1]}"
  press Return
}

# Solves board $1 and opens the road's mission (the escape mission) through
# the path choice; prints the mission's window id.
open_escape_mission() {
  local paths
  solve_board "$1"
  paths=$(wait_window "Выбор пути" 30) || fail "no path choice"
  focus_window "$paths"
  enter_path "$ROAD_PATH"
  wait_window MIRVOLANT 30 "$1" || fail "no escape mission"
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
  E2E_LAST_SHOT=${E2E_LAST_SHOT:-$(mktemp --suffix=.png)}
  eventually "$5" pixel_is "$@"
}
pixel_is() {
  shot "$1" "$E2E_LAST_SHOT"
  [[ $(pixel "$E2E_LAST_SHOT" "$2" "$3") == "$4" ]]
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

# Gives each character of the level codes that is not ASCII (the Cyrillic
# code's letters) a key of its own on the X server, from the keycodes that
# have none. For a character the keyboard lacks, xdotool lends a spare key
# and takes it back after typing; a program (Wine, or SDL on a busy machine)
# that reads the key only after it was taken back loses the character. Called
# before any program starts, so that it learns the keys.
bind_keysyms() {
  local free c
  mapfile -t free < <(xmodmap -pke | awk 'NF == 3 {print $2}')
  for c in $(printf '%s' "${LEVEL_CODES[@]}" | LC_ALL=C.UTF-8 grep -o '[^ -~]' | sort -u); do
    ((${#free[@]})) || fail "no keycode is free for $c"
    xmodmap -e "keycode ${free[0]} = $(LC_ALL=C.UTF-8 printf 'U%04X' "'$c")"
    free=("${free[@]:1}")
  done
}
