#!/usr/bin/env bash
# Runs a Windows program under Wine on a virtual X server of its own with
# openbox, in the given Wine prefix (made on first use), and passes its exit
# code on. The prefix's Wine server is ended afterwards: its desktop process
# belongs to this X server.
#
# Usage: on_wine_desktop.sh PREFIX PROGRAM.exe [ARGUMENT...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
shift
source "$here/../e2e/x11lib.sh"
require_tools wine wineserver

bash "$here/../../tools/cross/wine.sh" --prepare "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
wineserver -k 2>/dev/null || true
start_desktop
trap 'wineserver -k 2>/dev/null || true; stop_desktop' EXIT
status=0
wine "$@" </dev/null || status=$?
exit "$status"
