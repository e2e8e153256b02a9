#!/usr/bin/env bash
# Installs what is missing, builds, and decodes the bundled sample capture
# (or the KISS captures given as arguments) with norvane-decode.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target norvane-decode

captures=("$@")
[ ${#captures[@]} -gt 0 ] || captures=(samples/qb50p1-pass.kss)
out=build/run
mkdir -p "$out"
build/norvane-decode -f kiss --csv "$out/decoded.csv" --tlm "$out/decoded.tlm" --dump "$out/dump.txt" "${captures[@]}"
echo "Written: $out/decoded.csv (every record), $out/decoded.tlm (record 1), $out/dump.txt (the frames)"
echo
cat "$out/decoded.tlm"
