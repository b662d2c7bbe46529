#!/usr/bin/env python3
"""Writes a large Protein Data Bank file for the import benchmark.

    python3 bench/gen_pdb.py OUT.pdb [ATOMS] [BONDS]

ATOMS (default 100 000) atoms in chains of 500, a TER record after each
chain (TER records use up serials, so the serials run past 99 999 and are
written in hybrid-36 there), then BONDS (default 100 000) CONECT bonds:
each atom to the next one of its chain, then rings closed across chains
until the count is reached. Positions follow a helix per chain, 1.5 apart.
"""
import math
import sys

NAMES = [(" N  ", "N"), (" CA ", "C"), (" C  ", "C"), (" O  ", "O"), (" CB ", "C"), (" OG ", "O"),
         (" SD ", "S"), (" H  ", "H"), (" NZ ", "N"), ("FE  ", "FE")]
CHAIN = 500
DIGITS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def hybrid36(value, width=5):
    if value < 10 ** width:
        return "%*d" % (width, value)
    value -= 10 ** width
    value += 10 * 36 ** (width - 1)  # "A0000" follows 99999
    out = ""
    for _ in range(width):
        out = DIGITS[value % 36] + out
        value //= 36
    return out


def main():
    out_path = sys.argv[1]
    atoms = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    bonds = int(sys.argv[3]) if len(sys.argv) > 3 else 100000
    serials = []
    lines = []
    serial = 0
    for i in range(atoms):
        serial += 1
        serials.append(serial)
        chain, k = divmod(i, CHAIN)
        name, element = NAMES[i % len(NAMES)]
        a = k * 0.6
        x = 10.0 * math.cos(a) + (chain % 20) * 25.0
        y = 10.0 * math.sin(a) + (chain // 20) * 25.0
        z = k * 1.4
        res = k // 5 + 1
        lines.append("%-6s%5s %4s %3s %c%4d    %8.3f%8.3f%8.3f%6.2f%6.2f          %2s\n"
                     % ("ATOM" if i % 7 else "HETATM", hybrid36(serial), name, "GLY",
                        "ABCDEFGHIJ"[chain % 10], res % 10000, x, y, z, 1.0, 20.0, element))
        if k == CHAIN - 1 or i == atoms - 1:
            serial += 1
            lines.append("TER   %5s      GLY %c%4d\n" % (hybrid36(serial), "ABCDEFGHIJ"[chain % 10], res % 10000))
    pairs = []
    for i in range(atoms - 1):
        if len(pairs) == bonds:
            break
        if (i + 1) % CHAIN:
            pairs.append((i, i + 1))
    step = 1
    while len(pairs) < bonds:
        for i in range(0, atoms, CHAIN):
            if len(pairs) == bonds:
                break
            pairs.append((i, (i + step * CHAIN + CHAIN - 1) % atoms))
        step += 1
    for a, b in pairs:
        lines.append("CONECT%5s%5s\n" % (hybrid36(serials[a]), hybrid36(serials[b])))
    lines.append("END\n")
    with open(out_path, "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
