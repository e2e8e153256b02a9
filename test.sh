#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal
# build's tests, the same tests built with AddressSanitizer and UBSan, and a
# short run of every fuzz target (FUZZ_SECONDS each, default 30).
#   ./test.sh           all of it
#   ./test.sh --quick   the normal build's tests and the format check only
set -euo pipefail
cd "$(dirname "$0")"

quick=false
[ "${1:-}" = "--quick" ] && quick=true

tools/install-deps.sh clang-format clang libclang-rt-14-dev

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

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

$quick && exit 0

echo "== The tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVANE_SANITIZE=ON -DNORVANE_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:check_initialization_order=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2

echo "== Fuzzing: ${FUZZ_SECONDS:-30} s per target"
tools/fuzz.sh "${FUZZ_SECONDS:-30}"
