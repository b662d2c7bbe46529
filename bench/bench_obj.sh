#!/usr/bin/env bash
# OBJ -> OBJ and OBJ -> RAW through korvane-cli on a 980 000-triangle OBJ
# (490 000 quads with positions, normals and texture coordinates, about
# 80 MB), side by side with `assimp export` of the same file to OBJ and 3DS.
# A second input holds the same faces in 20 000 groups: it must convert
# about as fast as the first. Prints wall time, CPU time and peak memory per
# run.
#
#   bash bench/bench_obj.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-obj)
# BENCH_ASSIMP=0  skips the assimp runs
# Goal for korvane-cli: a third of assimp's time (about 1.4 s to OBJ, 1.5 s
# to RAW) and no more than its peak memory (630 MB).
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-obj}
QUADS=490000
GROUPS_MANY=20000
mkdir -p "$DIR"
ONE=$DIR/quads.obj
MANY=$DIR/groups.obj

if [ ! -x "$CLI" ]; then
  echo "bench_obj: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

if [ ! -s "$ONE" ] || [ ! -s "$MANY" ]; then
  echo "generating $ONE and $MANY ($QUADS quads) ..." >&2
  # A wavy grid of 700 x 700 cells: one position, normal and texture
  # coordinate per grid point, six decimals as exporters write them.
  python3 bench/make_grid_obj.py "$ONE" "$MANY" "$QUADS" "$GROUPS_MANY"
fi

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh

rm -rf "$DIR/out"
mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert OBJ->OBJ" "$n" "$CLI" convert "$ONE" "$DIR/out/conv.obj" -ld_mode=1
  run "korvane-cli convert OBJ->RAW" "$n" "$CLI" convert "$ONE" "$DIR/out/conv.raw" --to "Raw (*.raw)" -ld_mode=1
  run "korvane-cli OBJ->OBJ, 20000 groups" "$n" "$CLI" convert "$MANY" "$DIR/out/many.obj" -ld_mode=1
done

# Every face must arrive.
written=$(grep -c '^f ' "$DIR/out/conv.obj" || true)
if [ "$written" != "$QUADS" ]; then
  echo "bench_obj: $DIR/out/conv.obj holds $written faces, expected $QUADS" >&2
  exit 1
fi
tris=$(grep -c '^[-0-9]' "$DIR/out/conv.raw" || true)
if [ "$tris" != "$((2 * QUADS))" ]; then
  echo "bench_obj: $DIR/out/conv.raw holds $tris triangles, expected $((2 * QUADS))" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp export OBJ->OBJ" "$n" assimp export "$ONE" "$DIR/out/assimp.obj"
      run "assimp export OBJ->3DS" "$n" assimp export "$ONE" "$DIR/out/assimp.3ds"
    done
  else
    row_missing "assimp (not installed)"
  fi
fi

echo
echo "input: $ONE ($(du -m "$ONE" | cut -f1) MB, $QUADS quads = $((2 * QUADS)) triangles)"
print_table
echo "goal for korvane-cli: <= 1.4 s to OBJ, <= 1.5 s to RAW, <= 630 MB"
