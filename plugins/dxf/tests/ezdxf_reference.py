"""The independent reader of the DXF tests, on ezdxf (Debian's python3-ezdxf).

  ezdxf_reference.py count FILE    "triangles N" and "bounds x y z X Y Z" of
                                   3DFACE, polyface and polygon-mesh faces,
                                   INSERTs expanded, counted as the import does
  ezdxf_reference.py audit FILE    readfile and audit: "errors N", "fixes N",
                                   then one line per problem
  ezdxf_reference.py check FILE    audit, then count, in one run
  ezdxf_reference.py binary IN OUT IN saved again as binary DXF
  ezdxf_reference.py sample OUT VERSION FMT
                                   a drawing of faces, meshes and (nested,
                                   arrayed, turned) inserts written by ezdxf
                                   as VERSION (R12, R2000) in FMT (asc, bin)
"""
import math
import sys

import ezdxf

SAME = 1e-6


def same(a, b):
    return all(abs(a[i] - b[i]) < SAME for i in range(3))


class Count:
    def __init__(self):
        self.triangles = 0
        self.lo = [math.inf] * 3
        self.hi = [-math.inf] * 3

    def corners(self, pts):
        for p in pts:
            for k in range(3):
                self.lo[k] = min(self.lo[k], p[k])
                self.hi[k] = max(self.hi[k], p[k])

    def face3d(self, e):
        pts = [tuple(e.dxf.get(n, e.dxf.vtx2)) for n in ("vtx0", "vtx1", "vtx2", "vtx3")]
        # A corner that repeats the next one is dropped.
        kept = [p for i, p in enumerate(pts) if not same(p, pts[(i + 1) % 4])]
        if len(kept) >= 3:
            self.triangles += len(kept) - 2
            self.corners(kept)

    def polyline(self, e):
        if e.is_poly_face_mesh:
            verts, faces = [], []
            for v in e.vertices:
                f = v.dxf.flags
                if f & 128 and not f & 64:
                    faces.append([abs(v.dxf.get(n, 0)) for n in ("vtx0", "vtx1", "vtx2", "vtx3")])
                elif f & 64:
                    verts.append(tuple(v.dxf.location))
            for idx in faces:
                if not all(idx[:3]) or any(i > len(verts) for i in idx):
                    continue
                uniq = []
                for i in idx:
                    if i and i not in uniq:
                        uniq.append(i)
                if len(uniq) >= 3:
                    self.triangles += len(uniq) - 2
                    self.corners([verts[i - 1] for i in uniq])
        elif e.is_polygon_mesh:
            m, n = e.dxf.m_count, e.dxf.n_count
            pts = [tuple(v.dxf.location) for v in e.vertices]
            if m * n > len(pts) or m < 1 or n < 1:
                return
            rows = m - 1 + (1 if e.is_m_closed and m > 2 else 0)
            cols = n - 1 + (1 if e.is_n_closed and n > 2 else 0)
            self.triangles += 2 * rows * cols
            if rows > 0 and cols > 0:
                self.corners(pts[: m * n])

    def entities(self, items, depth=0):
        for e in items:
            t = e.dxftype()
            if t == "3DFACE":
                self.face3d(e)
            elif t == "POLYLINE":
                self.polyline(e)
            elif t == "INSERT" and depth < 64:
                for one in e.multi_insert():
                    self.entities(one.virtual_entities(), depth + 1)


def count(path, doc=None):
    doc = doc or ezdxf.readfile(path)
    c = Count()
    c.entities(doc.modelspace())
    for layout in doc.layouts:
        if layout.name != "Model":
            c.entities(layout)
    print("triangles", c.triangles)
    if c.triangles:
        print("bounds", *("%.17g" % v for v in c.lo + c.hi))


def audit(path):
    doc = ezdxf.readfile(path)
    a = doc.audit()
    print("errors", len(a.errors))
    print("fixes", len(a.fixes))
    for x in a.errors + a.fixes:
        print(x.code, x.message)
    return doc


def check(path):
    count(path, audit(path))


def binary(src, dst):
    ezdxf.readfile(src).saveas(dst, fmt="bin")


def sample(dst, version, fmt):
    doc = ezdxf.new(version)
    msp = doc.modelspace()
    doc.layers.add("walls", color=5)
    msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)], dxfattribs={"layer": "walls"})
    # A triangle padded by repeating its first corner.
    msp.add_3dface([(2, 0, 0), (2, 0, 0), (3, 0, 1), (2, 1, 1)], dxfattribs={"color": 3})
    pf = msp.add_polyface(dxfattribs={"layer": "mesh"})
    pf.append_faces([[(0, 0, 2), (1, 0, 2), (1, 1, 2), (0, 1, 2)], [(1, 0, 2), (2, 0, 2.5), (1, 1, 2)]])
    grid = msp.add_polymesh(size=(3, 4), dxfattribs={"layer": "grid"})
    for i in range(3):
        for j in range(4):
            grid.set_mesh_vertex((i, j), (i, j, 0.25 * i * j - 4))
    leaf = doc.blocks.new("LEAF", base_point=(1, 0, 0))
    leaf.add_3dface([(1, 0, 0), (2, 0, 0), (2, 1, 0), (2, 1, 0)])
    tree = doc.blocks.new("TREE")
    tree.add_3dface([(0, 0, 0), (0, 0, 1), (0, 1, 1), (0, 1, 1)])
    tree.add_blockref("LEAF", (0, 0, 3), dxfattribs={"rotation": 90, "xscale": 2})
    msp.add_blockref("TREE", (10, 0, 0), dxfattribs={"rotation": 30, "xscale": 1.5, "yscale": 0.5, "zscale": 2})
    arr = msp.add_blockref("LEAF", (0, 20, 0), dxfattribs={"rotation": 45})
    arr.dxf.column_count, arr.dxf.row_count = 3, 2
    arr.dxf.column_spacing, arr.dxf.row_spacing = 4, 7
    doc.saveas(dst, fmt=fmt)


if __name__ == "__main__":
    {"count": count, "audit": audit, "check": check, "binary": binary, "sample": sample}[sys.argv[1]](*sys.argv[2:])
