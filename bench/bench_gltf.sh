#!/usr/bin/env bash
# OBJ -> glTF binary through korvane-cli on the 980 000-triangle OBJ of
# bench_obj.sh, side by side with `assimp export` of the same file to glb2.
# `korvane-cli info` reads and triangulates the same file: a conversion's
# time above it is what the export itself took. Then the .glb read back:
# `korvane-cli info` against `assimp info`, and .glb -> OBJ.
#
#   bash bench/bench_gltf.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       bench_obj.sh's folder, which holds the input (default: $TMPDIR/korvane-bench-obj)
# BENCH_ASSIMP=0  skips the assimp runs
# Goal: at most a fifth of assimp's time, no more memory.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-obj}

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh
bench_obj_input bench_gltf

mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info OBJ (read only)" "$n" "$CLI" info "$ONE"
  run "korvane-cli convert OBJ->glb" "$n" "$CLI" convert "$ONE" "$DIR/out/conv.glb"
  run "korvane-cli info glb" "$n" "$CLI" info "$DIR/out/conv.glb"
  run "korvane-cli convert glb->OBJ" "$n" "$CLI" convert "$DIR/out/conv.glb" "$DIR/out/back.obj"
done
if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp export OBJ->glb2" "$n" assimp export "$ONE" "$DIR/out/assimp.glb" -f glb2
      run "assimp info glb" "$n" assimp info "$DIR/out/conv.glb"
    done
  else
    row_missing "assimp (not installed)"
  fi
fi

echo
echo "input: $ONE ($(du -m "$ONE" | cut -f1) MB, 980000 triangles)"
print_table
echo "goal: convert OBJ->glb at most a fifth of assimp export OBJ->glb2, no more memory; info glb below assimp info glb"
