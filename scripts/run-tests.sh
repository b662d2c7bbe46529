#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the ASan+UBSan build.
# KORVANE_SKIP_ASAN=1 runs the normal build only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Where the tests look for the real-file corpus (as testsupport does).
corpus=${KORVANE_CORPUS_DIR:-$(dirname "$PWD")/shared/corpus}
if [ -d "$corpus" ]; then
  corpus_note="corpus: $corpus"
elif [ "${KORVANE_REQUIRE_CORPUS:-0}" = "1" ]; then
  corpus_note="no corpus at $corpus: the tests that read it fail (KORVANE_REQUIRE_CORPUS=1; set KORVANE_CORPUS_DIR)"
else
  corpus_note="no corpus at $corpus: the tests that read it are skipped (set KORVANE_CORPUS_DIR)"
fi
cmake --preset default
cmake --build --preset default
ctest --preset default || { echo "$corpus_note"; exit 1; }
echo "$corpus_note"
if [ "${KORVANE_SKIP_ASAN:-0}" != "1" ]; then
  cmake --preset asan
  cmake --build --preset asan
  ASAN_OPTIONS=detect_leaks=1 ctest --preset asan
fi
