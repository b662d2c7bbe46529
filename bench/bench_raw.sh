#!/usr/bin/env bash
# RAW -> RAW through korvane-cli on a 1 000 000-triangle file (ten named
# objects, about 85 MB), against `assimp info` on the same triangles without
# names (assimp refuses RAW name lines). Prints a table of wall time and peak
# memory per run.
#
#   bash bench/bench_raw.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-raw)
# BENCH_ASSIMP=0  skips the assimp run (about 20 s and 2 GB)
# Goal for korvane-cli: at most 1.5 s and 600 MB.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-5}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-raw}
TRIANGLES=1000000
OBJECTS=10
mkdir -p "$DIR"
NAMED=$DIR/named.raw
UNNAMED=$DIR/unnamed.raw

if [ ! -x "$CLI" ]; then
  echo "bench_raw: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

if [ ! -s "$NAMED" ] || [ ! -s "$UNNAMED" ]; then
  echo "generating $NAMED ($TRIANGLES triangles, $OBJECTS objects) ..." >&2
  # A wavy grid per object: two triangles per cell, six decimals like the
  # exporter writes, so the file looks like what the converter produces.
  python3 - "$NAMED" "$UNNAMED" "$TRIANGLES" "$OBJECTS" <<'EOF'
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
EOF
fi

LABEL_WIDTH=34
# shellcheck source=lib.sh
source bench/lib.sh

OUT=$DIR/out/converted.raw
rm -rf "$DIR/out"
mkdir -p "$DIR/out"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli convert RAW->RAW" "$n" "$CLI" convert "$NAMED" "$OUT"
done

# The conversion must keep every triangle.
written=$(grep -c '^[-0-9]' "$OUT" || true)
if [ "$written" != "$TRIANGLES" ]; then
  echo "bench_raw: $OUT holds $written triangle lines, expected $TRIANGLES" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    run "assimp info (no names)" 1 assimp info "$UNNAMED"
  else
    row_missing "assimp info (not installed)"
  fi
fi

echo
echo "input: $NAMED ($(du -m "$NAMED" | cut -f1) MB, $TRIANGLES triangles, $OBJECTS objects)"
print_table
echo "goal for korvane-cli: <= 1.5 s and <= 600 MB"
