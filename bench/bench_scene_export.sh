#!/usr/bin/env bash
# OBJ -> VRML 2.0, VRML 1.0, POV-Ray mesh2 and POV-Ray triangle meshes
# through korvane-cli on a 1 000 000-triangle OBJ (500 000 quads with
# positions, normals and texture coordinates in two materials, so that the
# VRML shapes split), beside `korvane-cli info` on the same file: the import
# alone, which the export times include. assimp writes none of these
# formats. Prints wall time, CPU time and peak memory per run.
#
#   bash bench/bench_scene_export.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli; a Release
#                 build gives the figures that count)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-scene)
# Goal: each export under 2 s beyond the import.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-scene}
QUADS=500000
mkdir -p "$DIR"
IN=$DIR/grid.obj

if [ ! -x "$CLI" ]; then
  echo "bench_scene_export: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

if [ ! -s "$IN" ]; then
  echo "generating $IN ($QUADS quads) ..." >&2
  # A wavy grid of 708 x 707 cells, one position, normal and texture
  # coordinate per grid point; the left half in one material, the right
  # half in another.
  python3 - "$IN" "$QUADS" <<'EOF'
import math, sys
path, quads = sys.argv[1], int(sys.argv[2])
nx = int(math.sqrt(quads)) + 1
ny = (quads + nx - 1) // nx
px, py = nx + 1, ny + 1
out = ["# benchmark grid\nmtllib grid.mtl\n"]
for j in range(py):
    for i in range(px):
        x, y = i * 0.01, j * 0.01
        out.append("v %f %f %f\n" % (x, y, 0.25 * math.sin(x * 3.0) * math.cos(y * 2.0)))
for j in range(py):
    for i in range(px):
        out.append("vt %f %f\n" % (i / nx, j / ny))
for j in range(py):
    for i in range(px):
        x, y = i * 0.01, j * 0.01
        a, b = -0.75 * math.cos(x * 3.0) * math.cos(y * 2.0), 0.5 * math.sin(x * 3.0) * math.sin(y * 2.0)
        l = math.sqrt(a * a + b * b + 1.0)
        out.append("vn %f %f %f\n" % (a / l, b / l, 1.0 / l))
out.append("g grid\n")
n = 0
for half, (lo, hi) in enumerate(((0, nx // 2), (nx // 2, nx))):
    out.append("usemtl mat%d\n" % half)
    for j in range(ny):
        for i in range(lo, hi):
            if j * nx + i >= quads:
                continue
            a = j * px + i + 1
            b, c, d = a + 1, a + px + 1, a + px
            out.append("f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n" % (a, a, a, b, b, b, c, c, c, d, d, d))
with open(path, "w") as f:
    f.write("".join(out))
with open(path[:-4] + ".mtl", "w") as f:
    f.write("newmtl mat0\nKd 0.8 0.2 0.2\n\nnewmtl mat1\nKd 0.2 0.2 0.8\n")
EOF
fi

LABEL_WIDTH=40
# shellcheck source=lib.sh
source bench/lib.sh

rm -rf "$DIR/out"
mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info (import alone)" "$n" "$CLI" info "$IN"
  run "korvane-cli OBJ->VRML 2.0" "$n" "$CLI" convert "$IN" "$DIR/out/v2.wrl" -ld_mode=1
  run "korvane-cli OBJ->VRML 1.0" "$n" "$CLI" convert "$IN" "$DIR/out/v1.wrl" -ld_mode=1 -use_vrml20=0
  run "korvane-cli OBJ->POV-Ray mesh2" "$n" "$CLI" convert "$IN" "$DIR/out/m2.pov" -ld_mode=1
  run "korvane-cli OBJ->POV-Ray triangles" "$n" "$CLI" convert "$IN" "$DIR/out/tr.pov" -ld_mode=1 -pov_version=1
done

# Every triangle must arrive.
tris=$((2 * QUADS))
faces=$(grep -c -- '-1,\?$' "$DIR/out/v2.wrl" || true)
[ "$faces" = "$((2 * tris))" ] || { echo "bench_scene_export: v2.wrl holds $faces coordinate and normal index lines, expected $((2 * tris))" >&2; exit 1; }
grep -q "^		$tris,$" "$DIR/out/m2_o.inc" || { echo "bench_scene_export: m2_o.inc lacks $tris faces" >&2; exit 1; }
written=$(grep -c 'smooth_triangle' "$DIR/out/tr_o.inc" || true)
[ "$written" = "$tris" ] || { echo "bench_scene_export: tr_o.inc holds $written triangles, expected $tris" >&2; exit 1; }

echo
echo "input: $IN ($(du -m "$IN" | cut -f1) MB, $QUADS quads = $tris triangles)"
print_table
echo "goal: each export at most 2 s beyond the import (the info row)"
