#!/usr/bin/env bash
# Checks the Debian package as a player's machine takes it: its Depends (the
# libraries dpkg-shlibdeps found and the dialog face), its desktop entry and
# AppStream metadata through their validators, lintian without errors; then
# installs it with apt-get, starts the program by its menu entry's Exec line
# under Xvfb with openbox, from outside any build tree and with a plain
# environment, sees the board, and removes the package again, checking that
# its files are gone. Needs root (apt-get); run by .ci/run after
# `make package`.
#
# Usage: check_package.sh PATH/TO/mirvolant_VERSION_ARCH.deb
set -euo pipefail

DEB=$(realpath "$1")
source "$(dirname "$0")/x11lib.sh"
require_tools dpkg-deb desktop-file-validate appstreamcli lintian apt-get
[[ $(id -u) == 0 ]] || fail "installing the package needs root"
# Other installs may hold the package manager's lock for a while.
apt_get=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -qq)

WORK=$(mktemp -d)
trap 'stop_all; rm -rf "$WORK"' EXIT

# ------------------------------------------------------------ the control data
[[ $(dpkg-deb -f "$DEB" Package) == mirvolant ]] || fail "the package is not named mirvolant"
[[ $(dpkg-deb -f "$DEB" Section) == games ]] || fail "the package is not in section games"
depends=$(dpkg-deb -f "$DEB" Depends)
# The C++ runtime is linked into the program, so libstdc++6 is not among them.
for p in fonts-wine libsdl2-2.0-0 libjpeg62-turbo libfreetype6 libatk-bridge2.0-0 libc6; do
  [[ ", $depends," == *", $p "* || ", $depends," == *", $p,"* ]] ||
    fail "Depends lacks $p: $depends"
done
note "Depends: $depends"

# ------------------------------------------------------------ metadata, lintian
dpkg-deb -x "$DEB" "$WORK/tree"
desktop-file-validate "$WORK/tree/usr/share/applications/mirvolant.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$WORK"/tree/usr/share/metainfo/*.metainfo.xml ||
  fail "appstreamcli validate"
lintian --fail-on error "$DEB" || fail "lintian reports errors"

# ------------------------------------------------------------ install
if dpkg-query -W -f='${Status}' mirvolant 2>/dev/null | grep -q "ok installed"; then
  "${apt_get[@]}" remove mirvolant >/dev/null
fi
"${apt_get[@]}" install "$DEB" >/dev/null || fail "apt-get install failed"
mapfile -t files < <(dpkg -L mirvolant | while read -r f; do [[ -f "$f" ]] && echo "$f"; done)
[[ ${#files[@]} -gt 5 ]] || fail "the installed package lists ${#files[@]} files"
entry=/usr/share/applications/mirvolant.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[[ -f /usr/share/icons/hicolor/256x256/apps/$icon.png ]] || fail "no icon $icon installed"
note "installed ${#files[@]} files; Exec=$exec_line"

# ------------------------------------------------------------ start it from the menu entry
start_desktop
# A desktop starts entries in the user's session, not in a build folder.
(cd / && exec env -i HOME="$WORK" DISPLAY="$DISPLAY" PATH=/usr/local/bin:/usr/bin:/bin:/usr/games \
  sh -c "exec $exec_line" >"$WORK/out.txt" 2>&1) &
APP_PID=$!
BOARD=$(wait_window MIRVOLANT 30) || fail "the installed program shows no board ($(cat "$WORK/out.txt"))"
expect desktop_centred "$BOARD" 519 426
wait_pixel "$BOARD" 83 57 FFFFFF 30 || fail "the board shows no first field"
[[ $(pixel "$E2E_LAST_SHOT" 2 420) == D4D0C8 ]] || fail "the board is not in the dialog colour"
note "the installed program shows the board"
# The accessibility stack is a module of its own, loaded only when wanted.
grep -q libatk "/proc/$APP_PID/maps" && fail "the program loaded the accessibility stack unasked"
close_window "$BOARD"
wait_app "closing the installed program's board"

# Asked for, the installed module is found beside the program's install.
(cd / && exec env -i HOME="$WORK" DISPLAY="$DISPLAY" MIRVOLANT_ACCESSIBILITY=1 \
  PATH=/usr/local/bin:/usr/bin:/bin:/usr/games sh -c "exec $exec_line" >"$WORK/a11y.txt" 2>&1) &
APP_PID=$!
BOARD=$(wait_window MIRVOLANT 30) || fail "no board with accessibility on ($(cat "$WORK/a11y.txt"))"
module_loaded() { grep -q mirvolant-atk.so "/proc/$APP_PID/maps"; }
eventually 10 module_loaded || fail "the accessibility module was not loaded ($(cat "$WORK/a11y.txt"))"
note "with accessibility on, the installed program loads its module"
close_window "$BOARD"
wait_app "closing the board with accessibility on"

# ------------------------------------------------------------ remove
"${apt_get[@]}" remove mirvolant >/dev/null || fail "apt-get remove failed"
dpkg-query -W -f='${Status}' mirvolant 2>/dev/null | grep -q "ok installed" &&
  fail "the package is still installed"
for f in "${files[@]}"; do
  [[ -e "$f" ]] && fail "$f is left after removal"
done
note "removed; none of its ${#files[@]} files is left"
echo PASS
