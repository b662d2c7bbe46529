#!/usr/bin/env bash
# The three scene-description exports (RenderMan RIB, OpenGL source,
# Lightflow script) through korvane-cli on a 1 000 000-triangle OBJ
# (500 000 quads in ten groups of two materials, with normals and texture
# coordinates, about 80 MB); `korvane-cli info` on the same file gives the
# import's share. Then the OpenGL source of a 100 000-triangle scene compiled
# as C and as C++. Prints wall time, CPU time and peak memory per run.
#
#   bash bench/bench_rib_ogl_lightflow.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli; a
#                 Release build gives the figures that count)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-scene)
# Goal: each export under 2 s beyond the import; the 100 000-triangle
# source compiling in under 60 s.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-scene}
mkdir -p "$DIR"
BIG=$DIR/big.obj
SMALL=$DIR/small.obj

if [ ! -x "$CLI" ]; then
  echo "bench_rib_ogl_lightflow: $CLI not found; build first" >&2
  exit 1
fi

generate() {  # generate FILE QUADS
  python3 - "$1" "$2" <<'PY'
import math, sys
path, quads = sys.argv[1], int(sys.argv[2])
groups, cols = 10, 250
rows = quads // groups // cols
with open(path, "w") as f:
    f.write("# benchmark grids\n")
    base = 1
    for g in range(groups):
        pts = cols + 1
        ox = (g % 5) * 8.0
        oy = (g // 5) * 8.0
        v, t, vn = [], [], []
        for j in range(rows + 1):
            for i in range(pts):
                x, y = ox + i * 7.0 / cols, oy + j * 7.0 / cols
                v.append("v %f %f %f\n" % (x, y, 0.25 * math.sin(x) * math.cos(y)))
                t.append("vt %f %f\n" % (i / cols, j / rows))
                vn.append("vn 0 0 1\n")
        f.write("".join(v) + "".join(t) + "".join(vn))
        f.write("g grid_%d\n" % g)
        faces = []
        for j in range(rows):
            if j == rows // 2:
                faces.append("usemtl second\n")
            elif j == 0:
                faces.append("usemtl first\n")
            for i in range(cols):
                a = base + j * pts + i
                b, c, d = a + 1, a + pts + 1, a + pts
                faces.append("f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n" % (a, a, a, b, b, b, c, c, c, d, d, d))
        f.write("".join(faces))
        base += pts * (rows + 1)
PY
}

[ -s "$BIG" ] || { echo "generating $BIG ..." >&2; generate "$BIG" 500000; }
[ -s "$SMALL" ] || { echo "generating $SMALL ..." >&2; generate "$SMALL" 50000; }

LABEL_WIDTH=40
# shellcheck source=lib.sh
source bench/lib.sh

rm -rf "$DIR/out"
mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info (the import alone)" "$n" "$CLI" info "$BIG"
  run "korvane-cli convert OBJ->RIB" "$n" "$CLI" convert "$BIG" "$DIR/out/big.rib" -ld_mode=1
  run "korvane-cli convert OBJ->OpenGL source" "$n" "$CLI" convert "$BIG" "$DIR/out/big.cpp" -ld_mode=1
  run "korvane-cli convert OBJ->Lightflow" "$n" "$CLI" convert "$BIG" "$DIR/out/big.py" -ld_mode=1
done

# Every triangle must arrive.
tris=$(grep -cP '^\t\d+, \d+, \d+ ,' "$DIR/out/scene.cpp" || true)
polys=$(awk '/^PointsPolygons/ { getline; inlist = 1 } inlist { n += gsub(/ 4 /, "") } /\]$/ { inlist = 0 } END { print n }' "$DIR/out/big.rib")
script=$(grep -c '^nv.set( ' "$DIR/out/big.py" || true)
echo "written: OpenGL source $tris triangles, RIB $polys quads, Lightflow $script triangles"
if [ "$tris" != 1000000 ] || [ "$polys" != 500000 ] || [ "$script" != 1000000 ]; then
  echo "bench_rib_ogl_lightflow: expected 1000000 triangles (500000 quads) in every file" >&2
  exit 1
fi

mkdir -p "$DIR/out/small"
"$CLI" convert "$SMALL" "$DIR/out/small/x.cpp" -ld_mode=1 >/dev/null
for n in $(seq 1 "$RUNS"); do
  run "gcc -std=c99 -pedantic 100 000 tris" "$n" gcc -x c -std=c99 -pedantic -Wall -c "$DIR/out/small/scene.cpp" -o "$DIR/out/small/c.o"
  run "g++ -std=c++17 100 000 tris" "$n" g++ -std=c++17 -pedantic-errors -Wall -c "$DIR/out/small/scene.cpp" -o "$DIR/out/small/cpp.o"
done

echo
echo "input: $BIG ($(du -m "$BIG" | cut -f1) MB, 1 000 000 triangles); $SMALL (100 000 triangles)"
print_table
echo "goal: each convert under 2 s more than info; each compile under 60 s"
