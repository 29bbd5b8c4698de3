# Sourced by the benchmark scripts.
#
# bench_start TOOL...: stops, naming it, at the first tool that is missing; then makes the
# scratch folder $work (with $work/icons), removed when the script ends.
bench_start() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
  done
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir "$work/icons"
}

# measure COMMAND [ARGS...] runs the command $runs times and
# prints its best wall time in seconds (bash's own clock, to the millisecond) and its largest
# peak resident memory in KiB (GNU time, from separate runs). Needs $runs and a folder $work.
measure() {
  local best="" peak=0 secs kib
  for ((r = 0; r < runs; r++)); do
    secs=$( { TIMEFORMAT=%3R; time "$@" >/dev/null 2>&1; } 2>&1 )
    if [ -z "$best" ] || awk "BEGIN{exit !($secs < $best)}"; then best=$secs; fi
    /usr/bin/time -f "%M" -o "$work/mem" "$@" >/dev/null 2>&1
    kib=$(tail -n 1 "$work/mem")
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  echo "$best $peak"
}
