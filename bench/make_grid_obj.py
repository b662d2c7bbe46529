# The benchmark grid as OBJ: one file with all faces in one group and one
# with the same faces in many groups (the groups taking MATERIALS materials
# in turn, default one).
#
#   python3 bench/make_grid_obj.py ONE.obj MANY.obj QUADS GROUPS [MATERIALS]
import math, sys
one, many, quads, groups = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
materials = int(sys.argv[5]) if len(sys.argv) > 5 else 1
n = int(math.sqrt(quads))          # cells per side
pts = n + 1
head = []
for j in range(pts):
    for i in range(pts):
        x, y = i * 0.01, j * 0.01
        z = 0.25 * math.sin(x * 3.0) * math.cos(y * 2.0)
        head.append("v %f %f %f\n" % (x, y, z))
for j in range(pts):
    for i in range(pts):
        head.append("vt %f %f\n" % (i / n, j / n))
for j in range(pts):
    for i in range(pts):
        x, y = i * 0.01, j * 0.01
        nx, ny = -0.75 * math.cos(x * 3.0) * math.cos(y * 2.0), 0.5 * math.sin(x * 3.0) * math.sin(y * 2.0)
        l = math.sqrt(nx * nx + ny * ny + 1.0)
        head.append("vn %f %f %f\n" % (nx / l, ny / l, 1.0 / l))
head = "".join(head)
faces = []
for j in range(n):
    for i in range(n):
        a = j * pts + i + 1
        b, c, d = a + 1, a + pts + 1, a + pts
        faces.append("f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n" % (a, a, a, b, b, b, c, c, c, d, d, d))
with open(one, "w") as f:
    f.write("# benchmark grid\nmtllib none.mtl\n")
    f.write(head)
    f.write("g grid\nusemtl mat\n")
    f.write("".join(faces))
per = max(1, len(faces) // groups)
with open(many, "w") as f:
    f.write("# benchmark grid in many groups\n")
    f.write(head)
    f.write("usemtl mat\n")
    for k in range(0, len(faces), per):
        f.write("g part_%d\n" % (k // per))
        if materials > 1:
            f.write("usemtl mat_%d\n" % (k // per % materials))
        f.write("".join(faces[k:k + per]))
