#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the ASan+UBSan build.
# KORVANE_SKIP_ASAN=1 runs the normal build only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
if [ "${KORVANE_SKIP_ASAN:-0}" != "1" ]; then
  cmake --preset asan
  cmake --build --preset asan
  ASAN_OPTIONS=detect_leaks=1 ctest --preset asan
fi
