#!/usr/bin/env bash
# Runs a command on a virtual X server of its own, without a window manager.
# Usage: with_xvfb.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "$0")/x11lib.sh"
command -v Xvfb >/dev/null || fail "Xvfb is missing (run tools/deps.sh)"
start_x_server
trap stop_desktop EXIT
"$@"
