#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One description's frames decoded by norvane-decode and by the reference
# compiler's JavaScript, compared; skips (77) without Node.js or the reference.
#   ksy_reference.sh DECODER DESCRIPTION.ksy FRAMES WORKDIR MODULES
set -uo pipefail
decoder=$1 ksy=$2 frames=$3 work=$4 modules=$5
if ! command -v node >/dev/null || [ ! -f "$modules/kaitai-struct-compiler/package.json" ]; then
  echo "skipped: the reference compiler is not installed in $modules (tools/ksy-reference.sh installs it)"
  exit 77
fi
exec node "$(dirname "$0")/ksycompare.js" "$modules" "$decoder" "$ksy" "$frames" "$work"
