#!/usr/bin/env python3
"""Writes a LightWave 6 object of POLYGONS quads (or triangles) for the import
benchmark: a wavy grid split into two layers, one texture map per layer, four
surfaces in stripes and point indices past 0xFF00 (four-byte indices).

    python3 bench/gen_lwo2.py OUT.lwo [POLYGONS] [quads|triangles]
"""
import math
import struct
import sys
from array import array


def chunk(cid, body):
    pad = b'\0' if len(body) & 1 else b''
    return cid + struct.pack('>I', len(body)) + body + pad


def s0(text):
    b = text.encode() + b'\0'
    return b + (b'\0' if len(b) & 1 else b'')


def vx_list(values):
    out = bytearray()
    for v in values:
        out += struct.pack('>H', v) if v < 0xFF00 else struct.pack('>I', 0xFF000000 | v)
    return bytes(out)


def layer(number, rows, cols, y0, triangles):
    pts = array('f')
    uv = bytearray()
    for j in range(rows + 1):
        for i in range(cols + 1):
            x, z = i * 0.01, (y0 + j) * 0.01
            pts.extend((x, 0.2 * math.sin(3 * x) * math.cos(2 * z), z))
    if sys.byteorder == 'little':
        pts.byteswap()
    k = 0
    for j in range(rows + 1):
        for i in range(cols + 1):
            uv += vx_list([k]) + struct.pack('>ff', i / cols, j / rows)
            k += 1
    pols = bytearray(b'FACE')
    ptag = bytearray(b'SURF')
    w = cols + 1
    p = 0
    for j in range(rows):
        for i in range(cols):
            a = j * w + i
            tag = struct.pack('>H', j * 4 // rows)
            if triangles:
                pols += b'\x00\x03' + vx_list((a, a + w, a + w + 1))
                pols += b'\x00\x03' + vx_list((a, a + w + 1, a + 1))
                ptag += vx_list([p]) + tag + vx_list([p + 1]) + tag
                p += 2
            else:
                pols += b'\x00\x04' + vx_list((a, a + w, a + w + 1, a + 1))
                ptag += vx_list([p]) + tag
                p += 1
    layr = struct.pack('>HH3f', number, 0, 0, 0, 0) + s0('grid%d' % number)
    return (chunk(b'LAYR', layr) + chunk(b'PNTS', pts.tobytes()) +
            chunk(b'VMAP', b'TXUV' + struct.pack('>H', 2) + s0('uv') + bytes(uv)) +
            chunk(b'POLS', bytes(pols)) + chunk(b'PTAG', bytes(ptag)))


def main():
    out = sys.argv[1]
    polygons = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    triangles = len(sys.argv) > 3 and sys.argv[3] == 'triangles'
    cols = 1000
    rows = max(2, polygons // cols // (2 if triangles else 1))
    body = chunk(b'TAGS', b''.join(s0('stripe%d' % k) for k in range(4)))
    body += layer(0, rows // 2, cols, 0, triangles) + layer(1, rows - rows // 2, cols, rows // 2, triangles)
    for k in range(4):
        sman = struct.pack('>f', math.radians(60))
        surf = s0('stripe%d' % k) + s0('')
        surf += b'COLR' + struct.pack('>H3fH', 14, 0.2 * k, 0.5, 0.8, 0)
        surf += b'DIFF' + struct.pack('>HfH', 6, 0.8, 0) + b'SMAN' + struct.pack('>H', 4) + sman
        body += chunk(b'SURF', surf)
    with open(out, 'wb') as f:
        f.write(b'FORM' + struct.pack('>I', len(body) + 4) + b'LWO2' + body)


if __name__ == '__main__':
    main()
