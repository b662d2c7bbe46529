#!/usr/bin/env bash
# 3DS -> 3DS and 3DS -> RAW through korvane-cli on a scene of 20 meshes of
# 50 000 triangles each (texture coordinates, smoothing groups, one
# material), against `assimp export` of the same file to 3ds. Prints a table
# of wall time, CPU time and peak memory per run.
#
#   bash bench/bench_3ds.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-3ds)
# BENCH_ASSIMP=0  skips the assimp run
# Goal for korvane-cli: at least twice as fast as assimp on the 3ds export.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-3ds}
MESHES=20
TRIANGLES=50000
mkdir -p "$DIR"
IN=$DIR/scene.3ds

if [ ! -x "$CLI" ]; then
  echo "bench_3ds: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

if [ ! -s "$IN" ]; then
  echo "generating $IN ($MESHES meshes of $TRIANGLES triangles) ..." >&2
  python3 bench/make_3ds.py "$IN" "$MESHES" "$TRIANGLES"
fi

LABEL_WIDTH=34
# shellcheck source=lib.sh
source bench/lib.sh

rm -rf "$DIR/out"
mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert 3DS->3DS" "$n" "$CLI" convert "$IN" "$DIR/out/converted.3ds"
done
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert 3DS->RAW" "$n" "$CLI" convert "$IN" "$DIR/out/converted.raw"
done

# The conversions must keep every triangle.
expected=$((MESHES * TRIANGLES))
written=$(grep -c '^[-0-9]' "$DIR/out/converted.raw" || true)
if [ "$written" != "$expected" ]; then
  echo "bench_3ds: converted.raw holds $written triangle lines, expected $expected" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp export 3DS->3DS" "$n" assimp export "$IN" "$DIR/out/assimp.3ds"
    done
  else
    row_missing "assimp export (not installed)"
  fi
fi

echo
echo "input: $IN ($(du -m "$IN" | cut -f1) MB, $MESHES meshes of $TRIANGLES triangles)"
print_table
echo "goal for korvane-cli: at least twice as fast as assimp export to 3ds"
