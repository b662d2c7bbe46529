# The benchmark grid as RAW: OBJECTS wavy grids of TRIANGLES / OBJECTS
# triangles, six decimals like the exporter writes; once with object name
# lines and once without.
#
#   python3 bench/make_raw.py NAMED.raw UNNAMED.raw TRIANGLES OBJECTS
import math, sys
named, unnamed, total, objects = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
per = total // objects
cols = 250
with open(named, "w") as fn, open(unnamed, "w") as fu:
    for o in range(objects):
        fn.write("object_%d\n" % o)
        lines = []
        ox = (o % 5) * 3.0 - 6.0
        oy = (o // 5) * 3.0 - 1.5
        cells = per // 2
        for c in range(cells):
            i, j = c % cols, c // cols
            x0, y0 = ox + i * 0.01, oy + j * 0.01
            x1, y1 = x0 + 0.01, y0 + 0.01
            z00 = 0.25 * math.sin(x0 * 3.0) * math.cos(y0 * 2.0)
            z10 = 0.25 * math.sin(x1 * 3.0) * math.cos(y0 * 2.0)
            z01 = 0.25 * math.sin(x0 * 3.0) * math.cos(y1 * 2.0)
            z11 = 0.25 * math.sin(x1 * 3.0) * math.cos(y1 * 2.0)
            lines.append("%f %f %f %f %f %f %f %f %f\n" % (x0, y0, z00, x1, y0, z10, x1, y1, z11))
            lines.append("%f %f %f %f %f %f %f %f %f\n" % (x0, y0, z00, x1, y1, z11, x0, y1, z01))
        block = "".join(lines)
        fn.write(block)
        fu.write(block)
