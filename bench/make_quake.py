# The largest Quake models the formats index: a wavy grid of 32 761
# vertices and 64 800 triangles with 100 frames, as MD2 and as MDL (one
# 256 x 256 skin).
#
#   python3 bench/make_quake.py OUT.md2 OUT.mdl
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
