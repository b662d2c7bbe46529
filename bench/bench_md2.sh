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
  python3 - "$MD2" "$MDL" <<'EOF2'
import math, struct, sys
md2_path, mdl_path = sys.argv[1], sys.argv[2]
n = 181                      # vertices per side: 32 761
frames = 100
cells = [(j * n + i, j * n + i + 1, (j + 1) * n + i + 1, (j + 1) * n + i) for j in range(n - 1) for i in range(n - 1)]
tris = [t for a, b, c, d in cells for t in ((a, b, c), (a, c, d))]
def pose(f):
    out = bytearray()
    for j in range(n):
        for i in range(n):
            z = 127 + 120 * math.sin(i * 0.1 + f * 0.2) * math.cos(j * 0.1)
            out += bytes([int(i * 255 / (n - 1)), int(j * 255 / (n - 1)), int(z), 0])
    return bytes(out)
poses = [pose(f) for f in range(frames)]
st = [(i * 255 // (n - 1), j * 255 // (n - 1)) for j in range(n) for i in range(n)]

# MD2
nv, nt = n * n, len(tris)
frame_size = 40 + 4 * nv
ofs_st = 68 + 64
ofs_tris = ofs_st + 4 * nv
ofs_frames = ofs_tris + 12 * nt
ofs_gl = ofs_frames + frame_size * frames
with open(md2_path, "wb") as f:
    f.write(b"IDP2" + struct.pack("<16i", 8, 256, 256, frame_size, 1, nv, nv, nt, 1, frames,
                                  68, ofs_st, ofs_tris, ofs_frames, ofs_gl, ofs_gl + 4))
    f.write(b"models/grid/skin.pcx".ljust(64, b"\0"))
    f.write(b"".join(struct.pack("<hh", s, t) for s, t in st))
    f.write(b"".join(struct.pack("<6H", a, b, c, a, b, c) for a, b, c in tris))
    for k, p in enumerate(poses):
        f.write(struct.pack("<6f", 0.1, 0.1, 0.05, -12.75, -12.75, 0) + ("frame%03d" % k).encode().ljust(16, b"\0") + p)
    f.write(struct.pack("<i", 0))

# MDL
with open(mdl_path, "wb") as f:
    f.write(b"IDPO" + struct.pack("<i10f", 6, 0.1, 0.1, 0.05, -12.75, -12.75, 0, 20.0, 0, 0, 24))
    f.write(struct.pack("<8if", 1, 256, 256, nv, nt, frames, 0, 0, 1.0))
    f.write(struct.pack("<i", 0) + bytes((x ^ y) & 255 for y in range(256) for x in range(256)))
    f.write(b"".join(struct.pack("<3i", 0, s, t) for s, t in st))
    f.write(b"".join(struct.pack("<4i", 1, a, b, c) for a, b, c in tris))
    for k, p in enumerate(poses):
        f.write(struct.pack("<i", 0) + bytes(8) + ("frame%03d" % k).encode().ljust(16, b"\0") + p)
EOF2
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
