#!/usr/bin/env bash
# A 512 x 512 thumbnail of a 1 000 000-triangle model (the OBJ grid of
# make_grid_obj.py: 500 000 quads with normals and texture coordinates) in
# the software renderer (OSMesa): bench/render_once times the import and the
# render apart; `korvane-cli render` is timed whole with its peak memory.
#
#   bash bench/bench_render.sh [RUNS]
#
# BUILD_DIR   a Release build with KORVANE_BENCH=ON (default: build-bench;
#             cmake --preset bench && cmake --build --preset bench)
# BENCH_DIR   where the input goes (default: $TMPDIR/korvane-bench-render)
# Goal: the render under 2 s.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
BUILD=${BUILD_DIR:-build-bench}
CLI=$BUILD/bin/korvane-cli
ONCE=$BUILD/bin/render_once
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-render}
mkdir -p "$DIR"
IN=$DIR/grid.obj
if [ ! -x "$CLI" ] || [ ! -x "$ONCE" ]; then
  echo "bench_render: $CLI or $ONCE not found; build the bench preset first" >&2
  exit 1
fi
if [ ! -s "$IN" ]; then
  echo "generating $IN (1 000 000 triangles) ..." >&2
  python3 bench/make_grid_obj.py "$IN" "$DIR/grid_groups.obj" 500000 1
fi

source bench/lib.sh
echo "render_once (import and render timed apart):"
for i in $(seq "$RUNS"); do "$ONCE" "$IN" "$DIR/once.png" 512,512; done
for i in $(seq "$RUNS"); do run "korvane-cli render 512x512 (whole)" "$i" "$CLI" render "$IN" "$DIR/cli.png" --size 512,512; done
print_table
