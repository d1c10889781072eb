#!/usr/bin/env bash
# Installs the built program into an empty prefix and checks what a desktop
# needs to offer it: the executable, a desktop entry naming it in English and
# Russian in the Game category, and the icon the entry names.
#
# Usage: check_install.sh BUILD_DIR
set -euo pipefail

BUILD=$1
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null

[[ -x "$PREFIX/bin/mirvolant" ]] || fail "no executable bin/mirvolant"
entry="$PREFIX/share/applications/mirvolant.desktop"
[[ -f "$entry" ]] || fail "no desktop entry"
key() { sed -n "s/^$1=//p" "$entry"; }
[[ $(head -1 "$entry") == "[Desktop Entry]" ]] || fail "the entry lacks its group header"
[[ $(key Type) == Application ]] || fail "Type is not Application"
[[ $(key Name) == Mirvolant ]] || fail "English name missing"
[[ -n $(key 'Name\[ru\]') ]] || fail "Russian name missing"
[[ ";$(key Categories)" == *";Game;"* ]] || fail "not in the Game category"
exe=$(key Exec)
[[ "$(basename "${exe%% *}")" == mirvolant ]] || fail "Exec does not start mirvolant"

icon=$(key Icon)
for size in 32 48 64 128 256; do
  png="$PREFIX/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  [[ -f "$png" ]] || fail "no ${size}x${size} icon named $icon"
  # The PNG header holds the width and height as big-endian words.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
  [[ "$dims" == "${size}x${size}" ]] || fail "the ${size}x${size} icon is $dims"
done
echo PASS
