#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The programs' standard streams as a shell sees them.
#   standard_streams.sh DECODER GENERATOR CAPTURE
set -euo pipefail
decoder=$1
generator=$2
capture=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "$1"; exit 1; }

# Summaries and warnings on standard error never land inside an output line,
# though both streams go to one file.
"$decoder" --summary --jsonl - "$capture" "$capture" >"$tmp/both" 2>&1
grep -v '^{.*}$' "$tmp/both" | grep -qv '^\(/\|total\|pass \|[0-9]\)' && fail "a line of neither stream: $(grep -v '^{.*}$' "$tmp/both" | head -3)"
[ "$(grep -c '^{"record":' "$tmp/both")" -gt 0 ] || fail "no JSON line"

# A failed standard output says why.
if [ -w /dev/full ]; then
  if "$decoder" -q "$capture" >/dev/full 2>"$tmp/err"; then fail "writing to /dev/full succeeded"; fi
  grep -q "standard output could not be written: No space left on device" "$tmp/err" || fail "$(cat "$tmp/err")"
fi

# /dev/stdout is standard output, written in place: what a shell appended to
# stays, a pipe takes it, and it is one stream with -.
echo old >"$tmp/all.csv"
"$decoder" -q --csv /dev/stdout "$capture" >>"$tmp/all.csv"
[ "$(head -n 1 "$tmp/all.csv")" = old ] || fail "/dev/stdout replaced the file behind it"
[ "$(wc -l <"$tmp/all.csv")" -gt 2 ] || fail "/dev/stdout: no CSV appended"
[ "$("$decoder" -q --csv /dev/stdout "$capture" | wc -l)" -gt 2 ] || fail "/dev/stdout into a pipe"
if "$decoder" -q --csv - --jsonl /dev/stdout "$capture" >/dev/null 2>"$tmp/err"; then fail "two outputs on standard output"; fi
grep -q "both go to standard output" "$tmp/err" || fail "$(cat "$tmp/err")"
"$decoder" -q --jsonl /dev/stderr --csv /dev/null --dump /dev/null "$capture" 2>"$tmp/err" >"$tmp/out"
[ -s "$tmp/err" ] && [ ! -s "$tmp/out" ] || fail "/dev/stderr did not take the JSON lines"

# A capture read through standard input is never replaced, --force or not.
cp "$capture" "$tmp/p2.kss"
if "$decoder" -q --force --csv "$tmp/p2.kss" - <"$tmp/p2.kss" 2>"$tmp/err"; then fail "--force replaced standard input's file"; fi
cmp -s "$capture" "$tmp/p2.kss" || fail "standard input's file changed"

# A closed pipe or a signal leaves no temporary file, and no output that is
# not whole: each is whole or absent.
mkdir "$tmp/out.d"
"$generator" -f kiss -n 200000 "$tmp/big.kss" >/dev/null
set +e
"$decoder" -q --dump "$tmp/out.d/dump.txt" --csv - "$tmp/big.kss" | head -c 100 >/dev/null
code=${PIPESTATUS[0]}
set -e
[ "$code" -eq 141 ] || fail "a closed pipe: exit $code"
[ -z "$(ls "$tmp/out.d")" ] || fail "left after a closed pipe: $(ls "$tmp/out.d")"
for signal in HUP TERM INT; do
  "$decoder" -q --dump "$tmp/out.d/dump.txt" --jsonl "$tmp/out.d/j.jsonl" "$tmp/big.kss" "$tmp/big.kss" 2>/dev/null &
  pid=$!
  sleep 0.2
  kill -"$signal" "$pid" 2>/dev/null || true
  set +e
  wait "$pid"
  code=$?
  set -e
  if [ "$code" -ne 0 ]; then
    [ "$code" -gt 128 ] || fail "SIG$signal: exit $code"
    [ -z "$(ls "$tmp/out.d")" ] || fail "left after SIG$signal: $(ls "$tmp/out.d")"
  else
    [ "$(ls "$tmp/out.d" | tr '\n' ' ')" = "dump.txt j.jsonl " ] || fail "after SIG$signal: $(ls "$tmp/out.d")"
  fi
  rm -f "$tmp/out.d"/*
done

# An output that is a pipe without a reader waits for one; a signal ends the
# wait as it ends the run.
if command -v mkfifo >/dev/null; then
  mkfifo "$tmp/fifo"
  "$decoder" -q --csv "$tmp/fifo" "$capture" 2>"$tmp/err" &
  pid=$!
  sleep 0.5
  kill -INT "$pid"
  set +e
  wait "$pid"
  code=$?
  set -e
  [ "$code" -eq 130 ] || fail "a pipe without a reader and SIGINT: exit $code"
  grep -q "Interrupted system call" "$tmp/err" && fail "$(cat "$tmp/err")"
fi

# --help is no usage error.
"$generator" --help >"$tmp/help" || fail "norvane-gen --help exited $?"
grep -q '^Usage: norvane-gen' "$tmp/help" || fail "no usage on standard output"
echo "standard streams as expected"
