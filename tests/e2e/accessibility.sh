#!/usr/bin/env bash
# The real program read by a screen reader's library (libatspi, through
# atspi_probe) from another process, on its own session bus under Xvfb with
# openbox. The desktop's accessibility setting starts off: the program
# publishes nothing. Turned on, the program follows it: the board is there
# with its name, the first field is named by its prompt, every password field
# exposes only stars. The first level's code is filled in through the
# editable text interface and the slot's button pressed through its action:
# the slot's panel then reads "OK". Turned off again, the program leaves the
# bus. The board's window carries the program's icon for window lists.
#
# Usage: accessibility.sh PATH/TO/mirvolant PATH/TO/atspi_probe
set -euo pipefail

if [[ -z "${MV_OWN_SESSION_BUS:-}" ]]; then
  # A session bus of our own; the desktop's setting stays in memory.
  MV_OWN_SESSION_BUS=1 GSETTINGS_BACKEND=memory exec dbus-run-session -- bash "$0" "$@"
fi

APP=$(realpath "$1")
PROBE=$(realpath "$2")
HERE=$(dirname "$0")
source "$HERE/x11lib.sh"
trap stop_all EXIT
start_desktop
unset MIRVOLANT_ACCESSIBILITY NO_AT_BRIDGE

setting() {
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
    "variant:boolean:$1" >/dev/null
}
tree() { "$PROBE" dump mirvolant; }
tree_has() { tree 2>/dev/null | grep -qF -- "$1"; }
listed() { tree >/dev/null 2>&1; }

# The accessibility bus runs, as on a desktop, with the setting off.
setting false
"$APP" >/dev/null 2>&1 &
APP_PID=$!
BOARD=$(wait_window MIRVOLANT 30) || fail "no board"
# The window lists' icon, the program's own.
xprop -notype -id "$BOARD" 32c _NET_WM_ICON | grep -qF '= 64, 64, ' || fail "the board has no icon"
listed && fail "the program published its tree with accessibility off"

setting true
eventually 20 listed || fail "the program did not follow the setting turned on"
# The first prompt as the board's description has it.
PROMPT=$(sed -n "s/^ *Caption = '\(.*1го уровня:\)'$/\1/p" "$HERE/../../resources/TForm1.dlg")
[[ -n "$PROMPT" ]] || fail "no first prompt in TForm1.dlg"
eventually 20 tree_has '1 dialog "MIRVOLANT"' || fail "no board in the tree"
eventually 20 tree_has "password text \"$PROMPT\" text=\"\"" || fail "no field named by its prompt"
tree | grep -qF "labelled-by=\"$PROMPT\"" || fail "the first field is not linked to its prompt"
fields=$(tree | grep -c ' password text ')
((fields == 9)) || fail "$fields password fields on the board, not 9"

CODE=${LEVEL_CODES[0]}
"$PROBE" settext mirvolant "$PROMPT" "$CODE" || fail "set text refused"
STARS=$(printf '%*s' "${#CODE}" '' | tr ' ' '*')
eventually 20 tree_has "password text \"$PROMPT\" text=\"$STARS\"" || fail "the field shows no stars"
tree | grep -F ' password text ' | grep -vqE 'text="\**"' && fail "a password field exposes text"
tree | grep -qF "$CODE" && fail "the code can be read"
"$PROBE" click mirvolant "$PROMPT" || fail "the slot's button refused its action"
eventually 20 tree_has '2 panel "OK"' || fail "the slot was not seen solved"
note "the first slot reads OK"

setting false
eventually 20 not listed || fail "the program did not follow the setting turned off"
kill -TERM "$APP_PID"
wait_app "SIGTERM"
echo PASS
