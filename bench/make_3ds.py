# The benchmark scene as 3DS: MESHES wavy grids of 250 columns and
# TRIANGLES triangles each (texture coordinates, smoothing groups), the
# meshes taking MATERIALS materials in turn, written chunk by chunk.
#
#   python3 bench/make_3ds.py OUT.3ds MESHES TRIANGLES [MATERIALS]
import math, struct, sys
path, meshes, tris = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
materials = int(sys.argv[4]) if len(sys.argv) > 4 else 1
cols = 250
rows = tris // 2 // cols
def chunk(cid, payload=b"", kids=()):
    body = payload + b"".join(kids)
    return struct.pack("<HI", cid, 6 + len(body)) + body
def color(r, g, b):
    return chunk(0x0011, bytes([r, g, b]))
def name(k):
    return b"grid" if materials == 1 else b"grid%d" % k
mats = [chunk(0xAFFF, b"", [chunk(0xA000, name(k) + b"\0"), chunk(0xA010, b"", [color(60, 60, 60)]),
                            chunk(0xA020, b"", [color(200, 180 - 30 * k % 180, 120)]),
                            chunk(0xA030, b"", [color(255, 255, 255)])]) for k in range(materials)]
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
    group = name(o % materials) + b"\0" + struct.pack("<H", nf) + b"".join(struct.pack("<H", f) for f in range(nf))
    smooth = struct.pack("<I", 1) * nf
    matrix = struct.pack("<12f", 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)
    mesh = chunk(0x4100, b"", [
        chunk(0x4110, struct.pack("<H", len(verts)) + b"".join(verts)),
        chunk(0x4140, struct.pack("<H", len(uvs)) + b"".join(uvs)),
        chunk(0x4160, matrix),
        chunk(0x4120, struct.pack("<H", nf) + b"".join(faces), [chunk(0x4130, group), chunk(0x4150, smooth)])])
    objects.append(chunk(0x4000, ("grid%02d" % o).encode() + b"\0", [mesh]))
editor = chunk(0x3D3D, b"", [chunk(0x3D3E, struct.pack("<i", 3)), chunk(0x0100, struct.pack("<f", 1.0))] + mats + objects)
with open(path, "wb") as f:
    f.write(chunk(0x4D4D, b"", [chunk(0x0002, struct.pack("<i", 3)), editor]))
