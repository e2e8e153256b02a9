#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh clang-format

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
