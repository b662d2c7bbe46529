#!/usr/bin/env bash
# RAW -> RAW through korvane-cli on a 1 000 000-triangle file (ten named
# objects, about 85 MB), against `assimp info` on the same triangles without
# names (assimp refuses RAW name lines). Prints a table of wall time and peak
# memory per run.
#
#   bash bench/bench_raw.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-raw)
# BENCH_ASSIMP=0  skips the assimp run (about 20 s and 2 GB)
# Goal for korvane-cli: at most 1.5 s and 600 MB.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-5}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-raw}
TRIANGLES=1000000
OBJECTS=10
mkdir -p "$DIR"
NAMED=$DIR/named.raw
UNNAMED=$DIR/unnamed.raw

if [ ! -x "$CLI" ]; then
  echo "bench_raw: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

if [ ! -s "$NAMED" ] || [ ! -s "$UNNAMED" ]; then
  echo "generating $NAMED ($TRIANGLES triangles, $OBJECTS objects) ..." >&2
  python3 bench/make_raw.py "$NAMED" "$UNNAMED" "$TRIANGLES" "$OBJECTS"
fi

LABEL_WIDTH=34
# shellcheck source=lib.sh
source bench/lib.sh

OUT=$DIR/out/converted.raw
rm -rf "$DIR/out"
mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert RAW->RAW" "$n" "$CLI" convert "$NAMED" "$OUT"
done

# The conversion must keep every triangle.
written=$(grep -c '^[-0-9]' "$OUT" || true)
if [ "$written" != "$TRIANGLES" ]; then
  echo "bench_raw: $OUT holds $written triangle lines, expected $TRIANGLES" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    run "assimp info (no names)" 1 assimp info "$UNNAMED"
  else
    row_missing "assimp info (not installed)"
  fi
fi

echo
echo "input: $NAMED ($(du -m "$NAMED" | cut -f1) MB, $TRIANGLES triangles, $OBJECTS objects)"
print_table
echo "goal for korvane-cli: <= 1.5 s and <= 600 MB"
