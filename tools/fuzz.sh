#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build-fuzz/ and
# runs each for the given number of seconds (default 30), starting from the
# committed corpus in fuzz/corpus/. Fails on the first crash or broken
# property; the input that did it is left in build-fuzz/crashes/.
#   tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
# Every target that the build made, unless some are named.
if [ ${#targets[@]} -eq 0 ]; then
  for binary in build-fuzz/fuzz/fuzz_*; do
    [ -x "$binary" ] && targets+=("${binary#build-fuzz/fuzz/fuzz_}")
  done
fi

mkdir -p build-fuzz/crashes
passed=0
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t
  mkdir -p "$work"
  log=build-fuzz/fuzz_$t.log
  if ! ASAN_OPTIONS=detect_leaks=1 build-fuzz/fuzz/fuzz_"$t" -max_total_time="$seconds" -max_len=16384 \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/crashes/"$t"- \
      "$work" fuzz/corpus/"$t" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$t: FAILED (input in build-fuzz/crashes/)"
    echo "fuzz: $passed passed, 1 failed"
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  echo "fuzz_$t: $runs runs in ${seconds} s, no crash"
  passed=$((passed + 1))
done
echo "fuzz: $passed passed, 0 failed"
