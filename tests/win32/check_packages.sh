#!/usr/bin/env bash
# Checks what a Windows player gets, under Wine on a virtual X server with
# openbox, in a Wine prefix made afresh:
#   - the installer, run with /S: the program, its face, the face's notice and
#     the readme in Program Files\Mirvolant, the Start-menu shortcut, the Apps
#     & features entry; the installed program shows the board; the
#     uninstaller, run with /S, removes all of it;
#   - the portable zip: its contents, and its program started from a
#     temporary folder shows the board, here at 120 pixels per inch (125 %),
#     where the dialogs are rescaled by 16/13.
#
# Usage: check_packages.sh SETUP.exe PORTABLE.zip WORK_DIR
# (CPack makes both: `cpack --preset windows`, as `make windows` does.)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for package in "$1" "$2"; do
  [[ -f $package ]] || { echo "FAIL: no $package: make it with cpack --preset windows" >&2; exit 1; }
done
SETUP=$(realpath "$1")
ZIP=$(realpath "$2")
WORK=$(realpath -m "$3")
source "$here/../e2e/x11lib.sh"
require_tools wine wineserver

rm -rf "$WORK"
mkdir -p "$WORK"
export WINEPREFIX=$WORK/prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
bash "$here/../../tools/cross/wine.sh" --prepare "$WINEPREFIX"
start_desktop
APP_PID=
cleanup() {
  [[ -n "$APP_PID" ]] && kill -KILL "$APP_PID" 2>/dev/null
  wineserver -k 2>/dev/null || true
  stop_desktop
}
trap cleanup EXIT

C="$WINEPREFIX/drive_c"
DIR="$C/Program Files/Mirvolant"
LINK="$C/ProgramData/Microsoft/Windows/Start Menu/Programs/Mirvolant.lnk"
KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirvolant'
FILES=(Mirvolant.exe ms_sans_serif.ttf ms_sans_serif-copyright.txt README.txt)

# Whether window $1's client area is $2 x $3.
sized() {
  window_geometry "$1"
  E2E_WHY="the board is ${WW}x$WH, expected $2x$3"
  [[ "$WW" == "$2" && "$WH" == "$3" ]]
}

# Starts the Windows program $1 (a Windows path), expects the board with a
# client area of $2 x $3 and a white first field, and closes it.
expect_board() {
  wine "$1" >/dev/null 2>&1 &
  APP_PID=$!
  local board
  board=$(wait_window MIRVOLANT 30) || fail "$1 shows no board"
  expect sized "$board" "$2" "$3"
  # Slot 1's field: (83, 57) at 96 pixels per inch, scaled by 16/13 at 120.
  local fx=$((83 * $2 / 519)) fy=$((57 * $3 / 426))
  wait_pixel "$board" $fx $fy FFFFFF 30 || fail "$1: slot 1's field is not drawn"
  close_window "$board"
  local status=0
  wait "$APP_PID" || status=$?
  APP_PID=
  [[ $status == 0 ]] || fail "$1 ended with exit code $status"
}

# ------------------------------------------------------------ the installer
wine "$SETUP" /S
wineserver -w
for f in "${FILES[@]}" Uninstall.exe; do
  [[ -f "$DIR/$f" ]] || fail "the installer left out $f"
done
cmp -s "$DIR/ms_sans_serif.ttf" "$(dirname "$ZIP")/ms_sans_serif.ttf" ||
  fail "the installed face differs from the built one"
# The player gets the program without its debugging symbols.
if x86_64-w64-mingw32-objdump -h "$DIR/Mirvolant.exe" | grep -q '\.debug_'; then
  fail "the installed program carries debugging sections"
fi
[[ -f "$LINK" ]] || fail "no Start-menu shortcut"
grep -a -q 'Mirvolant.exe' "$LINK" || fail "the shortcut does not name the program"
entry=$(wine reg query "$KEY" 2>/dev/null | tr -d '\r') || fail "no uninstall entry"
expect_value() {
  grep -E -q "^ +$1 +REG_[A-Z]+ +$2\$" <<<"$entry" || fail "uninstall entry: $1 is not $2"
}
expect_value DisplayName 'Mirvolant'
expect_value DisplayVersion '[0-9]+\.[0-9]+\.[0-9]+'
expect_value Publisher '.+'
expect_value DisplayIcon 'C:\\Program Files\\Mirvolant\\Mirvolant\.exe,0'
expect_value UninstallString '"C:\\Program Files\\Mirvolant\\Uninstall\.exe"'
expect_value EstimatedSize '0x[0-9a-f]+'
size_kb=$(($(sed -nE 's/^ +EstimatedSize +REG_DWORD +(0x[0-9a-f]+)$/\1/p' <<<"$entry")))
((size_kb > 1000)) || fail "uninstall entry: an estimated size of $size_kb KB"
# The installer and the uninstaller carry the program's version resource.
for exe in "$SETUP" "$DIR/Uninstall.exe"; do
  product=$(strings -el "$exe" | grep -A1 -x ProductName | tail -n 1)
  [[ $product == Mirvolant ]] || fail "$(basename "$exe") has no version resource"
done
note "installed: ${FILES[*]} Uninstall.exe, shortcut, uninstall entry ($size_kb KB)"
expect_board 'C:\Program Files\Mirvolant\Mirvolant.exe' 519 426
note "the installed program shows the board"

# The uninstaller copies itself elsewhere and goes on from there: wait for
# every process of the prefix.
wine "$DIR/Uninstall.exe" /S
wineserver -w
[[ ! -e "$DIR" ]] || fail "the uninstaller left $(ls "$DIR" | tr '\n' ' ')"
[[ ! -e "$LINK" ]] || fail "the uninstaller left the shortcut"
if wine reg query "$KEY" >/dev/null 2>&1; then fail "the uninstaller left the uninstall entry"; fi
note "uninstalled: files, shortcut and entry gone"

# ------------------------------------------------------------ the zip
listing=$(cmake -E tar tf "$ZIP" | sort | tr '\n' ' ')
expected=$(printf 'Mirvolant/%s\n' "" "${FILES[@]}" | sort | tr '\n' ' ')
[[ "$listing" == "$expected" ]] || fail "the zip holds $listing, expected $expected"
note "zip: $listing"
mkdir -p "$WORK/portable"
(cd "$WORK/portable" && cmake -E tar xf "$ZIP")
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1
expect_board "$(winepath -w "$WORK/portable/Mirvolant/Mirvolant.exe")" 639 524
note "the zip's program shows the board at 120 pixels per inch (639x524)"
echo "PASS"
