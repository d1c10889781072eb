#!/usr/bin/env bash
# Plays the browser build end to end (play.js): installs Debian's chromium and
# the pinned playwright-core from package-lock.json with the machine's npm,
# builds what the Linux build contributes (the journal replayer, the program
# and its first-frame probe) and runs the test against build-web/site.
#
# Usage: tests/web/e2e/run.sh [OUT_DIR] [DOCS_DIR]
#   PARTS=game,reload,figures,screenshots  which parts to run (default: all)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
out=${1:-$repo/build-web/e2e}
docs=${2:-}

source "$repo/tools/apt.sh"
# npm from Debian only where the machine has none (a node of its own brings
# its own npm, and Debian's would conflict with it).
npm=()
command -v npm >/dev/null || npm=(npm)
install_missing --no-install-recommends chromium xvfb "${npm[@]}"
(cd "$here" && npm ci --no-audit --no-fund --loglevel=error)

[[ -f $repo/build-web/site/mirvolant.wasm ]] || { echo "run make web first" >&2; exit 1; }
cmake --build "$repo/build" -j 2 --target replay_journal mirvolant first_frame >/dev/null
exec node "$here/play.js" "$repo/build-web/site" "$repo/build" "$out" $docs
