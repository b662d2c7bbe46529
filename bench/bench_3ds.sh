#!/usr/bin/env bash
# 3DS -> 3DS and 3DS -> RAW through korvane-cli on a scene of 20 meshes of
# 50 000 triangles each (texture coordinates, smoothing groups, one
# material), against `assimp export` of the same file to 3ds. Prints a table
# of wall time, CPU time and peak memory per run.
#
#   bash bench/bench_3ds.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-3ds)
# BENCH_ASSIMP=0  skips the assimp run
# Goal for korvane-cli: at least twice as fast as assimp on the 3ds export.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-3ds}
MESHES=20
TRIANGLES=50000
mkdir -p "$DIR"
IN=$DIR/scene.3ds

if [ ! -x "$CLI" ]; then
  echo "bench_3ds: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

if [ ! -s "$IN" ]; then
  echo "generating $IN ($MESHES meshes of $TRIANGLES triangles) ..." >&2
  # Wavy grids of 250 x 100 cells, written chunk by chunk.
  python3 - "$IN" "$MESHES" "$TRIANGLES" <<'EOF2'
import math, struct, sys
path, meshes, tris = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
cols = 250
rows = tris // 2 // cols
def chunk(cid, payload=b"", kids=()):
    body = payload + b"".join(kids)
    return struct.pack("<HI", cid, 6 + len(body)) + body
def color(r, g, b):
    return chunk(0x0011, bytes([r, g, b]))
material = chunk(0xAFFF, b"", [chunk(0xA000, b"grid\0"), chunk(0xA010, b"", [color(60, 60, 60)]),
                                 chunk(0xA020, b"", [color(200, 180, 120)]), chunk(0xA030, b"", [color(255, 255, 255)])])
objects = []
for o in range(meshes):
    ox, oy = (o % 5) * 3.0, (o // 5) * 3.0
    verts, uvs = [], []
    for j in range(rows + 1):
        for i in range(cols + 1):
            x, y = ox + i * 0.01, oy + j * 0.01
            verts.append(struct.pack("<fff", x, y, 0.25 * math.sin(x * 3.0) * math.cos(y * 2.0)))
            uvs.append(struct.pack("<ff", i / cols, j / rows))
    faces = []
    for j in range(rows):
        for i in range(cols):
            a = j * (cols + 1) + i
            b, c, d = a + 1, a + cols + 2, a + cols + 1
            faces.append(struct.pack("<HHHH", a, b, c, 7))
            faces.append(struct.pack("<HHHH", a, c, d, 7))
    nf = len(faces)
    group = b"grid\0" + struct.pack("<H", nf) + b"".join(struct.pack("<H", f) for f in range(nf))
    smooth = struct.pack("<I", 1) * nf
    matrix = struct.pack("<12f", 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)
    mesh = chunk(0x4100, b"", [
        chunk(0x4110, struct.pack("<H", len(verts)) + b"".join(verts)),
        chunk(0x4140, struct.pack("<H", len(uvs)) + b"".join(uvs)),
        chunk(0x4160, matrix),
        chunk(0x4120, struct.pack("<H", nf) + b"".join(faces), [chunk(0x4130, group), chunk(0x4150, smooth)])])
    objects.append(chunk(0x4000, ("grid%02d" % o).encode() + b"\0", [mesh]))
editor = chunk(0x3D3D, b"", [chunk(0x3D3E, struct.pack("<i", 3)), chunk(0x0100, struct.pack("<f", 1.0)), material] + objects)
with open(path, "wb") as f:
    f.write(chunk(0x4D4D, b"", [chunk(0x0002, struct.pack("<i", 3)), editor]))
EOF2
fi

LABEL_WIDTH=34
# shellcheck source=lib.sh
source bench/lib.sh

rm -rf "$DIR/out"
mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert 3DS->3DS" "$n" "$CLI" convert "$IN" "$DIR/out/converted.3ds"
done
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert 3DS->RAW" "$n" "$CLI" convert "$IN" "$DIR/out/converted.raw"
done

# The conversions must keep every triangle.
expected=$((MESHES * TRIANGLES))
written=$(grep -c '^[-0-9]' "$DIR/out/converted.raw" || true)
if [ "$written" != "$expected" ]; then
  echo "bench_3ds: converted.raw holds $written triangle lines, expected $expected" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp export 3DS->3DS" "$n" assimp export "$IN" "$DIR/out/assimp.3ds"
    done
  else
    row_missing "assimp export (not installed)"
  fi
fi

echo
echo "input: $IN ($(du -m "$IN" | cut -f1) MB, $MESHES meshes of $TRIANGLES triangles)"
print_table
echo "goal for korvane-cli: at least twice as fast as assimp export to 3ds"
