#!/usr/bin/env bash
# Runs a command while CPU-bound processes (two by default) run beside it, as
# on a busy machine, and prints the load average before and after.
#
#   tools/under_load.sh [-n COUNT] COMMAND [ARGS...]
#   e.g. tools/under_load.sh bash -c 'cd build && ctest -j 2'
set -euo pipefail
count=2
if [[ ${1:-} == -n ]]; then
  count=$2
  shift 2
fi
pids=()
trap '((${#pids[@]} == 0)) || kill "${pids[@]}" 2>/dev/null || true' EXIT
for ((i = 0; i < count; ++i)); do
  sh -c 'while :; do :; done' &
  pids+=($!)
done
echo "under_load: $count CPU-bound processes; load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
status=0
"$@" || status=$?
echo "under_load: exit code $status; load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
exit "$status"
