#!/usr/bin/env bash
# The statistics of the start-up scripts (tools/rounds.sh) on made-up rounds:
# starts that showed no frame are left out, an even count takes the mean of
# the middle two, and the paired ratio pairs the starts of the same round.
set -euo pipefail
source "$(dirname "$0")/../../tools/rounds.sh"
failures=0
expect() {
  if [[ "$2" != "$3" ]]; then
    echo "FAIL $1: got '$2', expected '$3'"
    failures=$((failures + 1))
  fi
}

times[0]="30 10 timeout 20 "
times[1]="15 10 8 5 "
expect "median, a timeout left out" "$(median <<<"${times[0]}")" 20
expect "median of an even count" "$(median <<<"${times[1]}")" 9.0
# Rounds 1, 2 and 4: 30/15, 10/10, 20/5; round 3 showed no frame of program 0.
expect "paired ratio" "$(paired_ratio 0 1)" 2.00
times[2]="12 12 "
times[3]="10 8 "
expect "paired ratio of an even count" "$(paired_ratio 2 3)" 1.35
times[4]="timeout timeout "
expect "paired ratio without frames" "$(paired_ratio 4 3)" -
((failures == 0)) && echo PASS
