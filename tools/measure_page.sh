#!/usr/bin/env bash
# The page's figures (tools/measure_page.js): first frame cold and warm, with
# no limits and with a phone's (4x CPU, 4G), a whole road's replay, idle CPU
# and the files' sizes, for one to three builds of the page (before and after),
# measured in one run, interleaved. Installs what it needs: Debian's chromium
# and the pinned playwright-core of tests/web/e2e.
#
# Usage: tools/measure_page.sh [SITE_DIR...]   (default: build-web/site)
#   LABELS=a,b,c    the columns' names (default: before, after)
#   RUNS=N          rounds (default 5)
#   IDLE_SECONDS=N  the idle stretch (default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
e2e=$root/tests/web/e2e

source "$root/tools/apt.sh"
npm=()
command -v npm >/dev/null || npm=(npm)
install_missing --no-install-recommends chromium "${npm[@]}"
[[ -d $e2e/node_modules/playwright-core ]] ||
  (cd "$e2e" && npm ci --no-audit --no-fund --loglevel=error)

(($# > 0)) || set -- "$root/build-web/site"
for site in "$@"; do
  [[ -f $site/mirvolant.wasm ]] || { echo "$site: no mirvolant.wasm (make web)" >&2; exit 1; }
done
NODE_PATH=$e2e/node_modules exec node "$root/tools/measure_page.js" "$@"
