#!/usr/bin/env python3
"""Counts of a LightWave object, read here without the plug-in: the
triangles its polygons make (n - 2 for each of n >= 3 corners) and the
bounds of the points polygons use, as (x, z, y) like the importer turns
them. LWOB polygons: word count, word indices, signed word surface; a
negative surface is followed by a count of detail polygons, which come next
in the same form. LWO2: FACE and PTCH polygons, per-layer point numbering."""
import struct
import sys


def chunks(data, start, end):
    pos = start
    while pos + 8 <= end:
        cid = data[pos:pos + 4]
        size = struct.unpack('>I', data[pos + 4:pos + 8])[0]
        body = data[pos + 8:min(pos + 8 + size, end)]
        yield cid, body
        pos += 8 + size + (size & 1)


def vx(body, pos):
    if body[pos] == 0xFF:
        return struct.unpack('>I', body[pos:pos + 4])[0] & 0xFFFFFF, pos + 4
    return struct.unpack('>H', body[pos:pos + 2])[0], pos + 2


def main(path):
    data = open(path, 'rb').read()
    if data[:4] != b'FORM':
        print('not an IFF file')
        return 1
    kind = data[8:12]
    end = min(len(data), 8 + struct.unpack('>I', data[4:8])[0])
    points, base, layer_points = [], 0, 0
    triangles, used = 0, []
    for cid, body in chunks(data, 12, end):
        if cid == b'LAYR':
            base, layer_points = len(points), 0
        elif cid == b'PNTS':
            for i in range(len(body) // 12):
                a, b, c = struct.unpack('>3f', body[12 * i:12 * i + 12])
                points.append((a, c, b))
            layer_points += len(body) // 12
        elif cid == b'POLS' and kind == b'LWOB':
            pos = 0
            while pos + 2 <= len(body):
                n = struct.unpack('>H', body[pos:pos + 2])[0]
                idx = struct.unpack('>%dH' % n, body[pos + 2:pos + 2 + 2 * n])
                surface = struct.unpack('>h', body[pos + 2 + 2 * n:pos + 4 + 2 * n])[0]
                pos += 4 + 2 * n
                if surface < 0:
                    pos += 2  # the detail polygons follow as polygons
                if n >= 3:
                    triangles += n - 2
                used.extend(idx)
        elif cid == b'POLS' and kind == b'LWO2':
            if body[:4] not in (b'FACE', b'PTCH'):
                continue
            pos = 4
            while pos + 2 <= len(body):
                n = struct.unpack('>H', body[pos:pos + 2])[0] & 0x3FF
                pos += 2
                idx = []
                for _ in range(n):
                    v, pos = vx(body, pos)
                    idx.append(v)
                if n >= 3:
                    triangles += n - 2
                used.extend(base + v for v in idx if v < layer_points)
    pts = [points[i] for i in used if i < len(points)]
    print('triangles', triangles)
    if pts:
        lo = [min(p[k] for p in pts) for k in range(3)]
        hi = [max(p[k] for p in pts) for k in range(3)]
        print('bounds', ' '.join('%.9g' % v for v in lo + hi))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
