#!/usr/bin/env bash
# Quake model import and MD2 export through korvane-cli on the largest
# models the format indexes: a wavy grid of 32 761 vertices and 64 800
# triangles with 100 frames, as MD2 and as MDL (one 256 x 256 skin).
# Against `assimp info` (import) and `assimp export` to OBJ. Prints a table
# of wall time, CPU time and peak memory per run.
#
#   bash bench/bench_md2.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-md2)
# BENCH_ASSIMP=0  skips the assimp runs
# Goal for korvane-cli: no slower than assimp at reading either format.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-md2}
mkdir -p "$DIR"
MD2=$DIR/grid.md2
MDL=$DIR/grid.mdl

if [ ! -x "$CLI" ]; then
  echo "bench_md2: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

if [ ! -s "$MD2" ] || [ ! -s "$MDL" ]; then
  echo "generating $MD2 and $MDL ..." >&2
  python3 bench/make_quake.py "$MD2" "$MDL"
fi

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh

rm -rf "$DIR/out"
mkdir -p "$DIR/out"
export XDG_CONFIG_HOME=$DIR/config
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info MD2" "$n" "$CLI" info "$MD2"
done
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info MDL (skin written)" "$n" "$CLI" info "$MDL" -mdl_skin_path="$DIR/out" -mdl_overwrite_skins=1
done
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert MD2->MD2" "$n" "$CLI" convert "$MD2" "$DIR/out/x.md2"
done
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert MD2->OBJ" "$n" "$CLI" convert "$MD2" "$DIR/out/grid.obj"
done

# The MD2 written must keep every triangle.
tris=$(python3 -c "import struct,sys; print(struct.unpack('<17i', open(sys.argv[1],'rb').read(68))[8])" "$DIR/out/grid0.md2")
if [ "$tris" != "64800" ]; then
  echo "bench_md2: grid0.md2 holds $tris triangles, expected 64800" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp info MD2" "$n" assimp info "$MD2"
    done
    for n in $(seq 1 "$RUNS"); do
      run "assimp info MDL" "$n" assimp info "$MDL"
    done
    for n in $(seq 1 "$RUNS"); do
      run "assimp export MD2->OBJ" "$n" assimp export "$MD2" "$DIR/out/assimp.obj"
    done
  else
    row_missing "assimp (not installed)"
  fi
fi

echo
echo "inputs: $MD2 ($(du -m "$MD2" | cut -f1) MB), $MDL ($(du -m "$MDL" | cut -f1) MB): 32761 vertices, 64800 triangles, 100 frames"
print_table
echo "goal for korvane-cli: no slower than assimp at reading either format"
