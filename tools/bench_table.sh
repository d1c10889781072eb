#!/usr/bin/env bash
# Builds the benchmarks and prints all their figures as one table, with the
# date, the machine and the targets the figures are held against; then the
# real program's figures in real windows when tools/measure_real.sh is there.
#
#   tools/bench_table.sh [build-dir]      (default: build)
#   REAL_SECONDS=N   length of each idle measurement in real windows (20)
#   NO_REAL=1        skip the real-window measurement
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
jobs=${JOBS:-2}

cmake --preset bench -B "$build" >/dev/null
mapfile -t benches < <(cd bench && ls bench_*.cpp | sed 's/\.cpp$//')
cmake --build "$build" -j "$jobs" --target "${benches[@]}" mirvolant bare_sdl_window bare_x11_window \
  first_frame >/dev/null

# The targets of the design, by benchmark.
target_of() {
  case "$1" in
    StartUpToFirstFrameCold*) echo "< 50 ms (real windows, see below)" ;;
    OneTick*) echo "< 1 ms" ;;
    BM_Decode*) echo "< 10 ms" ;;
    *) echo "" ;;
  esac
}

model=$(lscpu | sed -n 's/^Model name: *//p' | head -n 1)
cores=$(nproc)
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on ${model:-unknown CPU}, ${cores} cores available," \
  "$(uname -sr), build type RelWithDebInfo; the headless back end unless noted."
echo
echo "| program | benchmark | wall time | CPU time | iterations | target |"
echo "|---|---|---:|---:|---:|---|"
# A time in the unit that keeps it readable.
human() {
  awk -v v="$1" -v u="$2" 'BEGIN {
    f = (u == "ns") ? 1 : (u == "us") ? 1e3 : (u == "ms") ? 1e6 : 1e9; ns = v * f;
    if (ns < 1e3) printf "%.0f ns", ns; else if (ns < 1e6) printf "%.1f µs", ns / 1e3;
    else printf "%.2f ms", ns / 1e6 }'
}

for b in "${benches[@]}"; do
  exe="$build/bench/$b"
  [[ -x "$exe" ]] || continue
  # One process per benchmark: the CSV output wants the same counters on
  # every line, and a cold measurement must run first in its process.
  mapfile -t names < <("$exe" --benchmark_list_tests=true 2>/dev/null)
  for n in "${names[@]}"; do
    # CSV: name,iterations,real_time,cpu_time,time_unit,...
    "$exe" --benchmark_format=csv --benchmark_filter="^${n}\$" 2>/dev/null | tail -n +2 |
      while IFS=, read -r name iterations real cpu unit _; do
        name=${name//\"/}
        printf '| %s | %s | %s | %s | %s | %s |\n' "$b" "$name" "$(human "$real" "$unit")" \
          "$(human "$cpu" "$unit")" "$iterations" "$(target_of "$name")"
      done
  done
done

if [[ -z "${NO_REAL:-}" && -x tools/measure_real.sh ]]; then
  echo
  echo "Real windows (SDL under Xvfb with openbox), tools/measure_real.sh; targets: start-up to"
  echo "the first frame < 50 ms, no busy waiting when idle, peak resident memory < 40 MB:"
  echo
  bash tools/measure_real.sh "$build/mirvolant" "${REAL_SECONDS:-20}" 2>&1 | sed 's/^/    /' ||
    echo "    (the real-window measurement failed)"
fi
