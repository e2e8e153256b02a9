#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole command-line run of the described satellite (samples/qb50.ksy,
# read and written as JSON Lines) beside the built-in decoder's on the same
# two captures of 500,000 beacons as bench/wholerun.sh: the plain one, and
# the crowded one (another station's frame or noise after every beacon).
# Both runs alternate, best of ROUNDS each, so the ratios come from the same
# minutes of this machine; peak resident memory comes from GNU time.
#   bench/describedrun.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
build=${1:-build}
rounds=${2:-5}
dir=${TMPDIR:-/tmp}
samples=$(dirname "$0")/../samples
[ -f "$dir/norvane-bench-kiss" ] || "$build/norvane-gen" -f kiss -n 500000 "$dir/norvane-bench-kiss" > /dev/null
[ -f "$dir/norvane-bench-crowded" ] \
  || "$build/norvane-gen" -f kiss -n 500000 --crowded "$dir/norvane-bench-crowded" > /dev/null

milliseconds() { local t0 t1; t0=$(date +%s%N); "$@" > /dev/null; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }
for capture in "$dir/norvane-bench-kiss" "$dir/norvane-bench-crowded"; do
  builtin=("$build/norvane-decode" -q -f kiss --jsonl /dev/null "$capture")
  described=("$build/norvane-decode" -q -f kiss -s "$samples/qb50.ksy" --jsonl /dev/null "$capture")
  best_builtin=999999
  best_described=999999
  for _ in $(seq "$rounds"); do
    t=$(milliseconds "${builtin[@]}"); ((t < best_builtin)) && best_builtin=$t
    t=$(milliseconds "${described[@]}"); ((t < best_described)) && best_described=$t
  done
  rss_builtin=$( { /usr/bin/time -f %M "${builtin[@]}" > /dev/null; } 2>&1 | tail -1)
  rss_described=$( { /usr/bin/time -f %M "${described[@]}" > /dev/null; } 2>&1 | tail -1)
  awk -v b="$best_builtin" -v d="$best_described" -v rb="$rss_builtin" -v rd="$rss_described" \
    -v c="$(basename "$capture")" 'BEGIN {
    printf "%s: 500,000 beacons\n", c
    printf "  built-in:  %d ms (%.0f beacons/s), peak RSS %.0f MB\n", b, 5e8 / b, rb / 1000
    printf "  described: %d ms (%.0f beacons/s), peak RSS %.0f MB\n", d, 5e8 / d, rd / 1000
    printf "  ratio: time %.2f, memory %.2f\n", d / b, rd / rb
  }'
done
