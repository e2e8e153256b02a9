#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window beside the command line on one large KISS capture (1,000,000
# packets, 500,000 records of each kind): the time until the records show and
# the peak resident memory of each, best of ROUNDS, run alternately so that
# the ratios come from the same minutes of this machine; and the window's
# longest time without handling its events. Targets: the window at most 1.5x
# the command line's memory and 2x its time, no gap over 50 ms.
# With "crowded", the channel carries another station's frame or a burst of
# noise after every beacon (norvane-gen --crowded).
#   bench/windowscale.sh [BUILD_DIR] [ROUNDS] [PACKETS] [crowded]
set -euo pipefail
build=${1:-build}
rounds=${2:-3}
packets=${3:-1000000}
shape=${4:-}
capture=${TMPDIR:-/tmp}/norvane-bench-window-$packets${shape:+-$shape}.kss
[ -f "$capture" ] || "$build/norvane-gen" -f kiss -n "$packets" ${shape:+--$shape} "$capture" > /dev/null
cat "$capture" > /dev/null # warm the page cache

best() { sort -n | head -1; }
# Prints "milliseconds peak_kB" of one run of the command.
rssfile=$(mktemp)
trap 'rm -f "$rssfile"' EXIT
measure() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -o "$rssfile" -f %M "$@" > /dev/null 2>&1
  t1=$(date +%s%N)
  echo "$(((t1 - t0) / 1000000)) $(tail -1 "$rssfile")"
}
cli_ms=() cli_kb=() win_ms=() win_kb=() gaps=()
for _ in $(seq "$rounds"); do
  read -r ms kb < <(measure "$build/norvane-decode" -q --tlm /dev/null "$capture")
  cli_ms+=("$ms") cli_kb+=("$kb")
  out=$("$build/bench/norvane-window-open" "$capture" 2>/dev/null)
  win_ms+=("$(echo "$out" | awk '/^open_ms/ { printf "%d", $2 }')")
  gaps+=("$(echo "$out" | awk '/^longest_gap_ms/ { printf "%d", $2 }')")
  read -r _ kb < <(measure "$build/bench/norvane-window-open" "$capture")
  win_kb+=("$kb")
done
c_ms=$(printf '%s\n' "${cli_ms[@]}" | best)
c_kb=$(printf '%s\n' "${cli_kb[@]}" | best)
w_ms=$(printf '%s\n' "${win_ms[@]}" | best)
w_kb=$(printf '%s\n' "${win_kb[@]}" | best)
gap=$(printf '%s\n' "${gaps[@]}" | best)
awk -v cm="$c_ms" -v ck="$c_kb" -v wm="$w_ms" -v wk="$w_kb" -v g="$gap" -v p="$packets" -v sh="${shape:+, $shape}" 'BEGIN {
  printf "capture of %d packets%s\n", p, sh
  printf "norvane-decode -q --tlm /dev/null: %d ms (whole process), peak RSS %.0f MB\n", cm, ck / 1000
  printf "window, open until the records show: %d ms, peak RSS %.0f MB, longest gap %d ms\n", wm, wk / 1000, g
  printf "ratios: time %.2f (target 2), memory %.2f (target 1.5)\n", wm / cm, wk / ck
}'
