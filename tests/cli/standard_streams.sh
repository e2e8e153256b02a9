#!/usr/bin/env bash
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

# --help is no usage error.
"$generator" --help >"$tmp/help" || fail "norvane-gen --help exited $?"
grep -q '^Usage: norvane-gen' "$tmp/help" || fail "no usage on standard output"
echo "standard streams as expected"
