# Start-up rounds shared by the measuring scripts (sourced): each round starts
# every program once, beginning with a different one, so that the machine's
# load hits all alike; then the medians and fastest of the starts that showed
# a frame (a start that timed out is listed by a word, not a number).

# run_rounds RUNS START COMMAND...: START COMMAND prints one start's
# milliseconds; times[i] collects those of COMMAND i, separated by blanks.
declare -A times
run_rounds() {
  local runs=$1 start=$2 run k i
  shift 2
  local commands=("$@")
  local count=${#commands[@]}
  for run in $(seq "$runs"); do
    for k in $(seq 0 $((count - 1))); do
      i=$(((run + k) % count))
      times[$i]+="$("$start" "${commands[i]}") "
    done
  done
}

# Whether process $1 has ended: gone, or a zombie that waits to be reaped by
# whoever inherited it from first_frame (a container's first process may take
# seconds to reap, which would otherwise count as the program's ending).
ended() {
  ! kill -0 "$1" 2>/dev/null || [[ $(sed -n 's/^.*) \(.\).*/\1/p' "/proc/$1/stat" 2>/dev/null) == Z ]]
}

frames() { tr ' ' '\n' | grep -E '^[0-9.]+$' | sort -n; }
# middle ODD EVEN: the middle of sorted numbers, printed with the format ODD,
# or the mean of the middle two printed with EVEN.
middle() {
  awk -v odd="$1" -v even="$2" '{v[NR] = $1} END {
    if (NR % 2) printf odd "\n", v[(NR + 1) / 2]; else printf even "\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
median() { frames | middle %s %.1f; }
fastest() { frames | head -1; }
# paired_ratio I J: the median, over the rounds where both showed a frame, of
# command I's start divided by command J's start in the same round. A busy
# spell of the host slows both starts of a round alike, so this ratio varies
# less from run to run than the ratio of the two medians.
paired_ratio() {
  local ratios
  ratios=$(paste -d ' ' <(tr ' ' '\n' <<<"${times[$1]}") <(tr ' ' '\n' <<<"${times[$2]}") |
    awk '$1 ~ /^[0-9.]+$/ && $2 ~ /^[0-9.]+$/ && $2 > 0 { print $1 / $2 }' | sort -g)
  if [[ -z $ratios ]]; then echo -; else middle %.2f %.2f <<<"$ratios"; fi
}
# Prints every start of each program, sorted, timeouts last; the programs'
# names in the order of the rounds' commands, in a column WIDTH wide.
print_runs() {
  local width=$1 i=0 name
  shift
  for name in "$@"; do
    printf "  %-${width}s runs: %s\n" "$name" \
      "$(tr ' ' '\n' <<<"${times[$i]}" | grep -v '^$' | sort -n | tr '\n' ' ')"
    i=$((i + 1))
  done
}
