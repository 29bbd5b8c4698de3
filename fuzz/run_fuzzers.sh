#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# each target for SECONDS, two at a time. Inputs that make a target fail are kept under
# build/fuzz/artifacts/<target>; copy each into fuzz/regressions/<target> once its fault is
# fixed, and the test suite replays it from then on.
# Usage: fuzz/run_fuzzers.sh [SECONDS] [TARGET...]   (default: 600 seconds, every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(icon_reader dll_build text_file_load cabwiz_command profile_edit pe_reader convert
    picture_decoder extract_regroup)
fi

scripts/install-deps.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

run() {
  local name=$1 work=build/fuzz/work/$1 artifacts=build/fuzz/artifacts/$1
  mkdir -p "$work" "$artifacts"
  cp -n fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
  if build/fuzz/bin/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" > "build/fuzz/$name.log" 2>&1; then
    echo "$name: no finding in ${seconds}s ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "build/fuzz/$name.log" | grep -o '[0-9]*$') runs)"
  else
    echo "$name: FINDING, see build/fuzz/$name.log and $artifacts"
    return 1
  fi
}

status=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for name in "${targets[@]:i:2}"; do
    run "$name" & pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
done
exit $status
