#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, quietly and
# unattended: the test runner of the Windows build.
#
# Usage: tools/cross/wine.sh PREFIX PROGRAM.exe [ARGUMENT...]
#        tools/cross/wine.sh --prepare PREFIX   (only makes the prefix)
#        tools/cross/wine.sh --scheme NAME PREFIX   (makes it, then sets the
#                               colour scheme tools/cross/schemes/NAME.reg)
#
# The prefix is made on first use (wineboot, no windows: no display, and the
# Mono and Gecko installers turned off), under a lock so that parallel tests
# wait for one another. It gets the classic colour scheme: Wine's own default
# is a light visual style whose colours (a face of F5F5F5) the program would
# follow, and the tests compare the classic look's pixels. A wineserver kept alive for a minute after the last
# program saves starting one per test. The program's exit code is passed on;
# its output is passed on when it ends.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
prepare_only=false
scheme=
if [[ ${1:-} == --prepare ]]; then
  prepare_only=true
  shift
elif [[ ${1:-} == --scheme ]]; then
  prepare_only=true
  scheme=$2
  shift 2
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
  if [[ ! -f $prefix/.mirvolant-ready-classic ]]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    wine regedit /S "$(winepath -w "$here/schemes/classic.reg")" >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.mirvolant-ready-classic"
  fi
  if [[ -n $scheme ]]; then
    wine regedit /S "$(winepath -w "$here/schemes/$scheme.reg")" >/dev/null 2>&1
    wineserver -w
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
