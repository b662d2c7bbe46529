#!/usr/bin/env bash
# The object pass with welding and smoothing on the 980 000-triangle OBJ of
# bench_obj.sh (490 000 quads with normals and texture coordinates), against
# the import of the same file:
#  - korvane-cli info with and without --objmod (the difference is the pass);
#  - when the bench preset is built (cmake --preset bench && cmake --build
#    --preset bench), build-bench/bin/bench_objmod times the import and the
#    pass apart.
#
#   bash bench/bench_modifiers.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the grid lives (default: $TMPDIR/korvane-bench-obj, shared with bench_obj.sh)
# Goal: the pass costs no more than the import.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
BENCH_OBJMOD=${BENCH_OBJMOD:-build-bench/bin/bench_objmod}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-obj}
QUADS=490000
mkdir -p "$DIR"
ONE=$DIR/quads.obj

if [ ! -x "$CLI" ]; then
  echo "bench_modifiers: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi
if [ ! -s "$ONE" ] || [ ! -s "$DIR/groups.obj" ]; then
  echo "generating $ONE ($QUADS quads) ..." >&2
  python3 bench/make_grid_obj.py "$ONE" "$DIR/groups.obj" "$QUADS" 20000
fi
printf -- '-f_mesh_weld = 1;\n-f_mesh_smooth = 1;\n' >"$DIR/weld_smooth.ini"

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh

for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info" "$n" "$CLI" info "$ONE"
  run "korvane-cli info --objmod weld+smooth" "$n" "$CLI" info "$ONE" --objmod "$DIR/weld_smooth.ini"
done

# The pass keeps every face.
tris=$("$CLI" info "$ONE" --objmod "$DIR/weld_smooth.ini" | sed -n 's/^triangles: //p')
if [ "$tris" != "$((2 * QUADS))" ]; then
  echo "bench_modifiers: $tris triangles after the pass, expected $((2 * QUADS))" >&2
  exit 1
fi

echo
echo "input: $ONE ($(du -m "$ONE" | cut -f1) MB, $QUADS quads = $((2 * QUADS)) triangles)"
print_table
if [ -x "$BENCH_OBJMOD" ]; then
  echo
  KORVANE_BENCH_OBJ=$ONE "$BENCH_OBJMOD" --benchmark_repetitions="$RUNS" --benchmark_report_aggregates_only=true
else
  echo "($BENCH_OBJMOD not built: cmake --preset bench && cmake --build --preset bench)"
fi
echo "goal: the pass (the second row less the first, or BM_ObjectPassWeldSmooth) no more than the import (BM_ImportGrid)"
