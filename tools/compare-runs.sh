#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs norvane-decode over the samples and a set of generated captures, with
# every -f, both satellites, the sample description and every output, and
# keeps what each run wrote (outputs, standard output and error, exit
# status) in a folder. Two folders made by two builds are then compared with
# diff -r: a restructuring that changes nothing leaves no difference.
#
#   tools/compare-runs.sh BUILD_DIR OUT_DIR
set -u
build=$(cd "$1" && pwd)
out=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
decode=$build/norvane-decode
gen=$build/norvane-gen
rm -rf "$out"
mkdir -p "$out/captures" "$out/runs"

# The generated captures: every kind, both satellites, clean and with the
# faults the generator puts in, and the options that change their shape.
for kind in kiss log serverlog text satnogs; do
  for sat in 1 2; do
    "$gen" -f $kind -s $sat -n 300 --seed 7 "$out/captures/gen-$kind-$sat" >/dev/null 2>&1
    "$gen" -f $kind -s $sat -n 300 --seed 11 --clean "$out/captures/clean-$kind-$sat" >/dev/null 2>&1
  done
done
"$gen" -f log -s 1 -n 200 --seed 3 --crlf "$out/captures/crlf-log-1" >/dev/null 2>&1
"$gen" -f kiss -s 1 -n 200 --seed 3 --gr-stamps "$out/captures/grstamps-kiss-1" >/dev/null 2>&1
"$gen" -f kiss -s 2 -n 400 --seed 5 --passes 3 "$out/captures/passes-kiss-2" >/dev/null 2>&1

captures=("$source_dir"/samples/*.kss "$source_dir"/samples/*.log "$source_dir"/samples/*.txt
  "$source_dir"/samples/*.csv "$out"/captures/*)

# One run: its name, then norvane-decode's options; every output goes into
# the run's folder, named by its kind.
run() {
  local name=$1
  shift
  local dir=$out/runs/$name
  mkdir -p "$dir"
  (cd "$dir" && "$decode" "$@" --summary --csv out.csv --tlm out.tlm --dump out.dump --jsonl out.jsonl \
    --influx out.influx >stdout 2>stderr
  echo $? >status)
  # A capture's path is the one thing that differs from folder to folder.
  sed -i "s|$out/captures/||g; s|$source_dir/samples/||g" "$dir"/stderr "$dir"/out.* 2>/dev/null
}

for capture in "${captures[@]}"; do
  base=$(basename "$capture")
  for kind in auto kiss log serverlog text satnogs; do
    for sat in 1 2; do
      run "$base.$kind.$sat" -f $kind -s $sat --date 2017-05-20 "$capture"
    done
  done
  run "$base.merge" --merge --date 2017-05-20 "$capture"
  run "$base.record3" --record 3 -s 2 --date 2017-05-20 "$capture"
  run "$base.described" -s "$source_dir/samples/qb50.ksy" --date 2017-05-20 "$capture"
done
run "all.merge.1" --merge --date 2017-05-20 "${captures[@]}"
run "all.merge.2" --merge -s 2 --date 2017-05-20 "${captures[@]}"
run "all.described.merge" --merge -s "$source_dir/samples/qb50.ksy" --date 2017-05-20 "${captures[@]}"
# Standard output as the only output, and the CSV's default place.
mkdir -p "$out/runs/stdout"
"$decode" -s 2 "$source_dir/samples/qb50p2-server.log" >"$out/runs/stdout/default.csv" 2>&1
"$decode" --jsonl - "$source_dir/samples/qb50p1-pass.kss" >"$out/runs/stdout/pass.jsonl" 2>&1
echo "$(ls "$out/runs" | wc -l) runs in $out"
