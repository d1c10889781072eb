#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, quietly and
# unattended: the test runner of the Windows build.
#
# Usage: tools/cross/wine.sh PREFIX PROGRAM.exe [ARGUMENT...]
#        tools/cross/wine.sh --prepare PREFIX   (only makes the prefix)
#
# The prefix is made on first use (wineboot, no windows: no display, and the
# Mono and Gecko installers turned off), under a lock so that parallel tests
# wait for one another. A wineserver kept alive for a minute after the last
# program saves starting one per test. The program's exit code is passed on;
# its output is passed on when it ends.
set -euo pipefail

prepare_only=false
if [[ ${1:-} == --prepare ]]; then
  prepare_only=true
  shift
fi
prefix=${1:?usage: wine.sh PREFIX PROGRAM [ARGUMENT...]}
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
# No window may appear: wineboot's dialogs and any crash box stay hidden.
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [[ ! -f $prefix/.mirvolant-ready ]]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.mirvolant-ready"
  fi
) 9>"$prefix.lock"
if $prepare_only; then exit 0; fi

wineserver -p 60 </dev/null >/dev/null 2>&1 || true

# Wine starts its own background processes (services, devices) with the first
# program after the server starts, and they keep that program's output open
# until the server ends. The program writes into files, so that whoever reads
# this script's output sees its end when the program ends.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
wine "$@" </dev/null >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"
