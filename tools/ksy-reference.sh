#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the reference Kaitai Struct compiler and its JavaScript runtime
# (npm: kaitai-struct-compiler 0.11, kaitai-struct, js-yaml) into FOLDER, for
# the tests that compare described satellites with it. Where Node.js, npm or
# the registry cannot be had, says so; those tests then skip.
#   tools/ksy-reference.sh FOLDER
set -uo pipefail
folder=${1:?usage: tools/ksy-reference.sh FOLDER}
if [ -f "$folder/node_modules/kaitai-struct-compiler/package.json" ] \
  && [ -f "$folder/node_modules/kaitai-struct/package.json" ] && [ -f "$folder/node_modules/js-yaml/package.json" ]; then
  exit 0
fi
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "ksy-reference: Node.js or npm is missing; the comparisons with the reference compiler will skip"
  exit 0
fi
mkdir -p "$folder"
if ! timeout 300 npm install --prefix "$folder" --no-audit --no-fund --silent \
  kaitai-struct-compiler@0.11 kaitai-struct@0.11 js-yaml@4 >/dev/null 2>&1; then
  echo "ksy-reference: npm could not install the reference compiler; the comparisons with it will skip"
fi
exit 0
