"""Benchmark inputs of the DXF import.

  make_dxf.py polyface OUT FACES   a wavy grid of FACES triangles as polyface
                                   meshes of 125 x 125 cells (15 876 vertices,
                                   31 250 faces each: inside the format's
                                   16-bit counts), all on one layer
  make_dxf.py inserts OUT COUNT    one block of two 3DFACEs inserted COUNT
                                   times on a grid
"""
import math
import sys

TILE = 125


def pair(out, code, value):
    out.append("%d\n%s\n" % (code, value))


def head(out):
    for c, v in ((999, "benchmark input"), (0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1009"),
                 (0, "ENDSEC")):
        pair(out, c, v)


def polyface(path, faces):
    tiles = max(1, faces // (2 * TILE * TILE))
    with open(path, "w") as f:
        out = []
        head(out)
        pair(out, 0, "SECTION")
        pair(out, 2, "ENTITIES")
        f.write("".join(out))
        side = int(math.ceil(math.sqrt(tiles)))
        for t in range(tiles):
            ox, oy = (t % side) * TILE, (t // side) * TILE
            out = []
            n = TILE + 1
            pair(out, 0, "POLYLINE")
            pair(out, 8, "terrain")
            pair(out, 66, 1)
            pair(out, 10, "0.0")
            pair(out, 20, "0.0")
            pair(out, 30, "0.0")
            pair(out, 70, 64)
            pair(out, 71, n * n)
            pair(out, 72, 2 * TILE * TILE)
            for j in range(n):
                for i in range(n):
                    x, y = (ox + i) * 0.01, (oy + j) * 0.01
                    z = 0.25 * math.sin(x * 3.0) * math.cos(y * 2.0)
                    out.append("0\nVERTEX\n8\nterrain\n10\n%.6f\n20\n%.6f\n30\n%.6f\n70\n192\n" % (x, y, z))
            for j in range(TILE):
                for i in range(TILE):
                    a = j * n + i + 1
                    b, c, d = a + 1, a + n + 1, a + n
                    out.append("0\nVERTEX\n8\nterrain\n10\n0.0\n20\n0.0\n30\n0.0\n70\n128\n71\n%d\n72\n%d\n73\n%d\n"
                               % (a, b, c))
                    out.append("0\nVERTEX\n8\nterrain\n10\n0.0\n20\n0.0\n30\n0.0\n70\n128\n71\n%d\n72\n%d\n73\n%d\n"
                               % (a, c, d))
            pair(out, 0, "SEQEND")
            pair(out, 8, "terrain")
            f.write("".join(out))
        f.write("0\nENDSEC\n0\nEOF\n")


def inserts(path, count):
    out = []
    head(out)
    for c, v in ((0, "SECTION"), (2, "BLOCKS"), (0, "BLOCK"), (8, "0"), (2, "TILE"), (70, 0), (10, "0.0"),
                 (20, "0.0"), (30, "0.0"), (3, "TILE")):
        pair(out, c, v)
    for corners in (((0, 0, 0), (1, 0, 0), (1, 1, 0.5), (1, 1, 0.5)), ((0, 0, 0), (1, 1, 0.5), (0, 1, 0), (0, 1, 0))):
        pair(out, 0, "3DFACE")
        pair(out, 8, "0")
        for k, p in enumerate(corners):
            for a in range(3):
                pair(out, 10 + k + 10 * a, "%.1f" % p[a])
    for c, v in ((0, "ENDBLK"), (8, "0"), (0, "ENDSEC"), (0, "SECTION"), (2, "ENTITIES")):
        pair(out, c, v)
    side = int(math.ceil(math.sqrt(count)))
    for i in range(count):
        out.append("0\nINSERT\n8\ntiles\n2\nTILE\n10\n%.1f\n20\n%.1f\n30\n0.0\n50\n%d\n" % (i % side * 1.5,
                                                                                          i // side * 1.5, i % 4 * 90))
    out.append("0\nENDSEC\n0\nEOF\n")
    with open(path, "w") as f:
        f.write("".join(out))


if __name__ == "__main__":
    {"polyface": polyface, "inserts": inserts}[sys.argv[1]](sys.argv[2], int(sys.argv[3]))
