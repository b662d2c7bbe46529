#!/usr/bin/env bash
# Import of a 1 000 000-polygon LightWave 6 object (quads in two layers, a
# texture map per layer, four surfaces, four-byte indices; about 45 MB), and
# of one of 1 000 000 triangles: the import alone (bench/import_once, built
# with KORVANE_BENCH=ON) and `korvane-cli info` (the import, then a
# triangulated copy of every mesh to count its triangles) against
# `assimp info` on the same files. Prints wall time, CPU time and peak memory
# per run; the machine's load shows in the wall time, less in the CPU time.
#
#   bash bench/bench_lwo.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli; a
#                 Release build gives the figures that count)
# IMPORT_ONCE     the import driver (default: import_once beside korvane-cli)
# BENCH_DIR       where the inputs go (default: $TMPDIR/korvane-bench-lwo)
# BENCH_ASSIMP=0  skips the assimp runs
# Goal for the import: a fifth of assimp's time and no more than its peak
# memory.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-lwo}
POLYGONS=1000000
mkdir -p "$DIR"
IN=$DIR/grid.lwo
TRIS=$DIR/triangles.lwo
ONCE=${IMPORT_ONCE:-$(dirname "$CLI")/import_once}

if [ ! -x "$CLI" ]; then
  echo "bench_lwo: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi
if [ ! -s "$IN" ] || [ ! -s "$TRIS" ]; then
  echo "generating $IN and $TRIS ($POLYGONS polygons) ..." >&2
  python3 bench/gen_lwo2.py "$IN" "$POLYGONS" quads
  python3 bench/gen_lwo2.py "$TRIS" "$POLYGONS" triangles
fi

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh

for n in $(seq 1 "$RUNS"); do
  if [ -x "$ONCE" ]; then
    run "import_once, quads" "$n" "$ONCE" "$IN"
    run "import_once, triangles" "$n" "$ONCE" "$TRIS"
  fi
  run "korvane-cli info, quads" "$n" "$CLI" info "$IN"
  run "korvane-cli info, triangles" "$n" "$CLI" info "$TRIS"
done
[ -x "$ONCE" ] || row_missing "import_once (KORVANE_BENCH=OFF)"
# Every polygon must arrive, as two triangles.
tris=$("$CLI" info "$IN" | sed -n 's/^triangles: //p')
if [ "$tris" != "$((2 * POLYGONS))" ]; then
  echo "bench_lwo: korvane-cli counts $tris triangles, expected $((2 * POLYGONS))" >&2
  exit 1
fi
tris=$("$CLI" info "$TRIS" | sed -n 's/^triangles: //p')
if [ "$tris" != "$POLYGONS" ]; then
  echo "bench_lwo: korvane-cli counts $tris triangles in $TRIS, expected $POLYGONS" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp info, quads" "$n" assimp info "$IN"
      run "assimp info, triangles" "$n" assimp info "$TRIS"
    done
  else
    row_missing "assimp (not installed)"
  fi
fi

echo
echo "inputs: $IN ($(du -m "$IN" | cut -f1) MB, $POLYGONS quads), $TRIS ($(du -m "$TRIS" | cut -f1) MB, $POLYGONS triangles)"
print_table
echo "goal for the import: <= a fifth of assimp's seconds, <= its peak MB"
