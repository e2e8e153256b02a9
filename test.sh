#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs every test: the normal
# build's tests, the same tests built with AddressSanitizer and UBSan, and a
# short run of every fuzz target (FUZZ_SECONDS each, default 30).
#   ./test.sh           all of it
#   ./test.sh --quick   the normal build's tests, the format check and clang-tidy only
set -euo pipefail
cd "$(dirname "$0")"

quick=false
[ "${1:-}" = "--quick" ] && quick=true

tools/install-deps.sh clang-format clang-tidy clang libclang-rt-14-dev influxdb curl direwolf sox

# The reference Kaitai Struct compiler, which the described satellites are compared with.
tools/ksy-reference.sh build/ksy-reference

cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release

# The code keeps the committed .clang-format style.
if command -v clang-format >/dev/null; then
  unformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -c 'warning:' || true)
  if [ "$unformatted" -ne 0 ]; then
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep 'warning:' | head -n 20
    echo "clang-format: $unformatted places differ from .clang-format (run: git ls-files '*.cpp' '*.h' | xargs clang-format -i)"
    exit 1
  fi
  echo "clang-format: every file follows .clang-format"
fi

# The checks of .clang-tidy on the sources that changed: those that differ
# from the last commit, or on a clean tree (as in CI) those of the last commit.
if command -v clang-tidy >/dev/null; then
  changed=$(git diff --name-only HEAD -- '*.cpp'; git ls-files --others --exclude-standard -- '*.cpp')
  [ -n "$changed" ] || changed=$(git diff --name-only HEAD~1 HEAD -- '*.cpp' 2>/dev/null || true)
  checked=()
  for f in $changed; do
    [ -f "$f" ] && grep -q "\"file\": \"$PWD/$f\"" build/compile_commands.json && checked+=("$f")
  done
  if [ ${#checked[@]} -gt 0 ]; then
    printf '%s\n' "${checked[@]}" | xargs -P2 -n4 clang-tidy -p build --quiet 2>/dev/null | grep -E 'warning:|error:' && {
      echo "clang-tidy: the findings above must be mended"
      exit 1
    }
  fi
  echo "clang-tidy: ${#checked[@]} changed sources checked, no findings"
fi

$quick && exit 0

echo "== The tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

echo "== Fuzzing: ${FUZZ_SECONDS:-30} s per target"
tools/fuzz.sh "${FUZZ_SECONDS:-30}"
