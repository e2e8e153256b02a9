#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole command-line run on two KISS captures of 500,000 beacons beside
# the floor of any reader of them, a C program that read()s the file in
# 1 MiB chunks and memchr()s every FEND: the benchmark's capture (a time
# frame before each beacon), and the same channel crowded (another
# station's frame or a burst of noise after every beacon: many short frames
# to drop). Both are timed alternately, best of ROUNDS each, so the ratio
# comes from the same minutes of this machine; the decoder's peak resident
# memory comes from GNU time.
#   bench/wholerun.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
build=${1:-build}
rounds=${2:-7}
dir=${TMPDIR:-/tmp}
[ -f "$dir/norvane-bench-kiss" ] || "$build/norvane-gen" -f kiss -n 500000 "$dir/norvane-bench-kiss" > /dev/null
[ -f "$dir/norvane-bench-crowded" ] \
  || "$build/norvane-gen" -f kiss -n 500000 --crowded "$dir/norvane-bench-crowded" > /dev/null

seconds() { local t0 t1; t0=$(date +%s%N); "$@" > /dev/null; t1=$(date +%s%N); echo $(((t1 - t0) / 1000)); }
for capture in "$dir/norvane-bench-kiss" "$dir/norvane-bench-crowded"; do
  decode=("$build/norvane-decode" -q -f kiss --tlm /dev/null "$capture")
  scan=("$build/bench/norvane-fendscan" "$capture")
  "${scan[@]}" > /dev/null # warm the page cache
  best_decode=999999999
  best_scan=999999999
  for _ in $(seq "$rounds"); do
    t=$(seconds "${decode[@]}"); ((t < best_decode)) && best_decode=$t
    t=$(seconds "${scan[@]}"); ((t < best_scan)) && best_scan=$t
  done
  rss=$( { /usr/bin/time -f %M "${decode[@]}" > /dev/null; } 2>&1 | tail -1)
  bytes=$(stat -c %s "$capture")
  awk -v d="$best_decode" -v s="$best_scan" -v r="$rss" -v b="$bytes" -v c="$(basename "$capture")" 'BEGIN {
    printf "%s, %.1f MB\n", c, b / 1e6
    printf "  norvane-decode -q -f kiss --tlm /dev/null: %.1f ms (%.0f MB/s), peak RSS %.1f MB\n", d / 1000, b / d, r / 1000
    printf "  read()+memchr floor: %.1f ms (%.0f MB/s)\n", s / 1000, b / s
    printf "  ratio (floor time / decode time): %.2f\n", s / d
  }'
done
