#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole command-line run on the benchmark's KISS capture (1,000,000
# frames) beside the floor of any reader of it, a C program that read()s the
# file in 1 MiB chunks and memchr()s every FEND. Both are timed alternately,
# best of ROUNDS each, so the ratio comes from the same minutes of this
# machine; the decoder's peak resident memory comes from GNU time.
#   bench/wholerun.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
build=${1:-build}
rounds=${2:-7}
capture=${TMPDIR:-/tmp}/norvane-bench-kiss
decode=("$build/norvane-decode" -q -f kiss --tlm /dev/null "$capture")
scan=("$build/bench/norvane-fendscan" "$capture")
[ -f "$capture" ] || "$build/norvane-gen" -f kiss -n 500000 "$capture" > /dev/null
"${scan[@]}" > /dev/null # warm the page cache

seconds() { local t0 t1; t0=$(date +%s%N); "$@" > /dev/null; t1=$(date +%s%N); echo $(((t1 - t0) / 1000)); }
best_decode=999999999
best_scan=999999999
for _ in $(seq "$rounds"); do
  t=$(seconds "${decode[@]}"); ((t < best_decode)) && best_decode=$t
  t=$(seconds "${scan[@]}"); ((t < best_scan)) && best_scan=$t
done
rss=$( { /usr/bin/time -f %M "${decode[@]}" > /dev/null; } 2>&1 | tail -1)
bytes=$(stat -c %s "$capture")
awk -v d="$best_decode" -v s="$best_scan" -v r="$rss" -v b="$bytes" 'BEGIN {
  printf "capture %.1f MB\n", b / 1e6
  printf "norvane-decode -q -f kiss --tlm /dev/null: %.1f ms (%.0f MB/s), peak RSS %.1f MB\n", d / 1000, b / d, r / 1000
  printf "read()+memchr floor: %.1f ms (%.0f MB/s)\n", s / 1000, b / s
  printf "ratio (floor time / decode time): %.2f\n", s / d
}'
