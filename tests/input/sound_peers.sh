#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The sound reader beside Dire Wolf's atest on recordings that Dire Wolf's
# gen_packets makes (random AX.25 UI frames of 16 to 200 bytes at 48 kHz)
# with white noise that sox mixes in near each modem's limit: at least as
# many frames as atest, and none that was not sent (every frame heard in the
# noisy recording is one heard in the clean one). Skipped (77) without the
# peers.
#   sound_peers.sh NORVANE_DECODE
set -euo pipefail
decode=$1
for peer in gen_packets atest sox python3; do
  command -v "$peer" > /dev/null || { echo "no $peer: skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/messages.txt" <<'PY'
import random, sys
random.seed(11)
with open(sys.argv[1], "w") as out:
    for k in range(60):
        info = "".join("<0x%02x>" % random.randrange(256) for _ in range(random.randint(16, 200)))
        out.write("N0CALL-%d>CQ:%s\n" % (k % 15 + 1, info))
PY
# KISS data frames of a capture, one hex line each.
frames() {
  python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], "rb").read() if sys.argv[1] else b""
for f in data.split(b"\xc0"):
    if f and f[0] == 0:
        print(f.replace(b"\xdb\xdc", b"\xc0").replace(b"\xdb\xdd", b"\xdb")[1:].hex())
PY
}
status=0
# modem, gen_packets options, atest options, noise level
while read -r modem gen peer level; do
  gen_packets -r 48000 ${gen//,/ } -o "$work/clean.wav" "$work/messages.txt" > /dev/null 2>&1
  sox "$work/clean.wav" -p synth whitenoise vol "$level" 2> /dev/null | sox -m "$work/clean.wav" - "$work/noisy.wav"
  for f in clean noisy; do
    rm -f "$work/$f.kss"
    "$decode" -q -f audio --modem "$modem" --record "$work/$f.kss" --csv /dev/null "$work/$f.wav"
    touch "$work/$f.kss"
    frames "$work/$f.kss" | sort > "$work/$f.frames"
  done
  ours=$(wc -l < "$work/noisy.frames")
  theirs=$(atest ${peer//,/ } "$work/noisy.wav" 2> /dev/null | tail -n 1 | cut -d' ' -f1)
  false=$(comm -23 "$work/noisy.frames" "$work/clean.frames" | wc -l)
  echo "$modem at noise $level: $ours frames, atest $theirs, $false not sent, $(wc -l < "$work/clean.frames") of 60 in the clean recording"
  if [ "$ours" -lt "$theirs" ] || [ "$false" -ne 0 ] || [ "$(wc -l < "$work/clean.frames")" -ne 60 ]; then
    status=1
  fi
done <<'CASES'
afsk1200 -B,1200 -P,E+ 0.42
g3ruh9600 -B,9600 -B,9600,-P,+ 0.27
CASES
exit $status
