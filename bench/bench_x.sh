#!/usr/bin/env bash
# OBJ -> X (text and binary) and X -> OBJ through korvane-cli on the
# 980 000-triangle OBJ of bench_obj.sh (490 000 quads with positions,
# normals and texture coordinates), side by side with `assimp export` of the
# same OBJ to .x. Prints wall time, CPU time and peak memory per run.
#
#   bash bench/bench_x.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli; use a
#                 Release build)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-obj,
#                 shared with bench_obj.sh)
# BENCH_ASSIMP=0  skips the assimp runs
# Goal for korvane-cli: a fifth of assimp's time to .x (about 6.7 s here,
# so 1.3 s) and no more than its peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-obj}
QUADS=490000
mkdir -p "$DIR"
ONE=$DIR/quads.obj

if [ ! -x "$CLI" ]; then
  echo "bench_x: $CLI not found; build first" >&2
  exit 1
fi
if [ ! -s "$ONE" ]; then
  echo "generating $ONE ($QUADS quads) ..." >&2
  python3 bench/make_grid_obj.py "$ONE" "$DIR/groups.obj" "$QUADS" 20000
fi

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh

OUT=$DIR/out-x
rm -rf "$OUT"
mkdir -p "$OUT"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli OBJ->X text" "$n" "$CLI" convert "$ONE" "$OUT/text.x" -ld_mode=1
  run "korvane-cli OBJ->X binary" "$n" "$CLI" convert "$ONE" "$OUT/bin.x" -d3x_binary=1
  run "korvane-cli OBJ->X compressed" "$n" "$CLI" convert "$ONE" "$OUT/zip.x" -d3x_binary=1 -d3x_compressed=1
  run "korvane-cli X text->OBJ" "$n" "$CLI" convert "$OUT/text.x" "$OUT/from_text.obj" -ld_mode=1
  run "korvane-cli X binary->OBJ" "$n" "$CLI" convert "$OUT/bin.x" "$OUT/from_bin.obj" -ld_mode=1
done

# Every triangle must arrive, both ways.
for f in text bin zip; do
  tris=$("$CLI" info "$OUT/$f.x" | sed -n 's/^triangles: //p')
  if [ "$tris" != "$((2 * QUADS))" ]; then
    echo "bench_x: $OUT/$f.x holds $tris triangles, expected $((2 * QUADS))" >&2
    exit 1
  fi
done
for f in from_text from_bin; do
  faces=$(grep -c '^f ' "$OUT/$f.obj" || true)
  if [ "$faces" != "$((2 * QUADS))" ]; then
    echo "bench_x: $OUT/$f.obj holds $faces faces, expected $((2 * QUADS))" >&2
    exit 1
  fi
done

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp export OBJ->X" "$n" assimp export "$ONE" "$OUT/assimp.x"
    done
  else
    row_missing "assimp (not installed)"
  fi
fi

echo
echo "input: $ONE ($(du -m "$ONE" | cut -f1) MB, $QUADS quads = $((2 * QUADS)) triangles)"
echo "written: text $(du -m "$OUT/text.x" | cut -f1) MB, binary $(du -m "$OUT/bin.x" | cut -f1) MB, compressed $(du -m "$OUT/zip.x" | cut -f1) MB"
print_table
echo "goal for korvane-cli: <= a fifth of assimp's time to .x, <= its peak memory"
