#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts the window on the bundled
# sample capture (or on the captures given as arguments, of any kind). Without
# a display it decodes the same captures with norvane-decode instead.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target norvane norvane-decode

captures=("$@")
[ ${#captures[@]} -gt 0 ] || captures=(samples/qb50p1-week.kss)

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/norvane "${captures[@]}"
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): decoding with norvane-decode instead of the window."
out=build/run
mkdir -p "$out"
# --force: the dump of an earlier run reads as a capture, which is otherwise never replaced.
build/norvane-decode --summary --force --csv "$out/decoded.csv" --tlm "$out/decoded.tlm" --dump "$out/dump.txt" "${captures[@]}"
echo "Written: $out/decoded.csv (every record), $out/decoded.tlm (record 1), $out/dump.txt (the frames)"
echo
cat "$out/decoded.tlm"
