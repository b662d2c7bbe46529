#!/usr/bin/env bash
# OBJ -> STL and OBJ -> PLY through korvane-cli on the 980 000-triangle OBJ
# of bench_obj.sh, side by side with `assimp export` of the same file to
# binary STL and PLY. `korvane-cli info` reads and triangulates the same
# file: a conversion's time above it is what the export itself took.
#
#   bash bench/bench_stl_ply.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       bench_obj.sh's folder, which holds the input (default: $TMPDIR/korvane-bench-obj)
# BENCH_ASSIMP=0  skips the assimp runs
# Goal: the binary STL export itself under 0.5 s.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-obj}

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh
bench_obj_input bench_stl_ply

mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info OBJ (read only)" "$n" "$CLI" info "$ONE"
  run "korvane-cli convert OBJ->STL binary" "$n" "$CLI" convert "$ONE" "$DIR/out/conv.stl"
  run "korvane-cli convert OBJ->STL ASCII" "$n" "$CLI" convert "$ONE" "$DIR/out/conv_a.stl" -stl_binary=0
  run "korvane-cli convert OBJ->PLY binary" "$n" "$CLI" convert "$ONE" "$DIR/out/conv.ply"
done

size=$(stat -c %s "$DIR/out/conv.stl")
if [ "$size" != "$((84 + 50 * 980000))" ]; then
  echo "bench_stl_ply: $DIR/out/conv.stl has $size bytes, not 980 000 triangles" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp export OBJ->STL binary" "$n" assimp export "$ONE" "$DIR/out/assimp.stl" -f stlb
      run "assimp export OBJ->PLY binary" "$n" assimp export "$ONE" "$DIR/out/assimp.ply" -f plyb
    done
  else
    row_missing "assimp (not installed)"
  fi
fi

echo
echo "input: $ONE ($(du -m "$ONE" | cut -f1) MB, 980000 triangles)"
print_table
echo "goal: convert OBJ->STL binary minus info OBJ under 0.5 s"
