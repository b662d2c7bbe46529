#!/usr/bin/env bash
# DXF import through `korvane-cli info` on a 1 000 000-face polyface file
# (32 polyface meshes of 31 250 triangles on one layer, about 100 MB), side
# by side with `assimp info` of the same file; then files of 10 000 and
# 100 000 INSERTs of one small block, which must take about ten times as
# long as each other, not a hundred. Prints wall time, CPU time and peak
# memory per run.
#
#   bash bench/bench_dxf.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       where the input files go (default: $TMPDIR/korvane-bench-dxf)
# BENCH_ASSIMP=0  skips the assimp runs
# Goal for korvane-cli: a fifth of assimp's time on the polyface file and no
# more than its peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-dxf}
FACES=1000000
mkdir -p "$DIR"
POLYFACE=$DIR/polyface.dxf
SMALL=$DIR/inserts-10k.dxf
LARGE=$DIR/inserts-100k.dxf

if [ ! -x "$CLI" ]; then
  echo "bench_dxf: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi

[ -s "$POLYFACE" ] || { echo "generating $POLYFACE ($FACES faces) ..." >&2; python3 bench/make_dxf.py polyface "$POLYFACE" "$FACES"; }
[ -s "$SMALL" ] || python3 bench/make_dxf.py inserts "$SMALL" 10000
[ -s "$LARGE" ] || python3 bench/make_dxf.py inserts "$LARGE" 100000

LABEL_WIDTH=36
# shellcheck source=lib.sh
source bench/lib.sh

for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info, 1M-face polyface" "$n" "$CLI" info "$POLYFACE"
  run "korvane-cli info, 10 000 INSERTs" "$n" "$CLI" info "$SMALL"
  run "korvane-cli info, 100 000 INSERTs" "$n" "$CLI" info "$LARGE"
done

# Every face must arrive (twice: each one gets its back face).
faces=$("$CLI" info "$POLYFACE" | sed -n 's/^faces: //p')
if [ "$faces" != "$((2 * FACES))" ]; then
  echo "bench_dxf: $POLYFACE gave $faces faces, expected $((2 * FACES))" >&2
  exit 1
fi
faces=$("$CLI" info "$LARGE" | sed -n 's/^faces: //p')
if [ "$faces" != "400000" ]; then
  echo "bench_dxf: $LARGE gave $faces faces, expected 400000" >&2
  exit 1
fi

if [ "${BENCH_ASSIMP:-1}" != "0" ]; then
  if command -v assimp >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "assimp info, 1M-face polyface" "$n" assimp info "$POLYFACE"
    done
  else
    row_missing "assimp (not installed)"
  fi
fi

echo
echo "input: $POLYFACE ($(du -m "$POLYFACE" | cut -f1) MB, $FACES faces); $SMALL and $LARGE"
print_table
echo "goal for korvane-cli: <= 1/5 of assimp's time on the polyface file, <= its peak memory; 100 000 INSERTs about 10 x 10 000"
