#!/usr/bin/env bash
# PDB import through `korvane-cli info` on a generated 100 000-atom file with
# 100 000 CONECT bonds (bench/gen_pdb.py), side by side with openbabel
# reading the same file (`obabel -ipdb F -otxt --append atoms`; assimp reads
# no PDB); then the OBJ export of molecules of 1x, 2x, 4x and 8x a base size,
# whose times must grow in step with the size. Prints wall time, CPU time
# and peak memory per run.
#
#   bash bench/bench_pdb.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli; use a
#                 Release build)
# BENCH_DIR       where the input and output files go (default: $TMPDIR/korvane-bench-pdb)
# BENCH_BASE      atoms (and bonds) of the 1x molecule of the export runs (default 1 000)
# BENCH_OBABEL=0  skips the openbabel runs
# Goal for korvane-cli: the import in under 2 s; the OBJ export linear in the size.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-pdb}
ATOMS=100000
BASE=${BENCH_BASE:-1000}
mkdir -p "$DIR"
BIG=$DIR/atoms-$ATOMS.pdb

if [ ! -x "$CLI" ]; then
  echo "bench_pdb: $CLI not found; build first" >&2
  exit 1
fi
[ -s "$BIG" ] || { echo "generating $BIG ..." >&2; python3 bench/gen_pdb.py "$BIG" "$ATOMS" "$ATOMS"; }
for k in 1 2 4 8; do
  f=$DIR/atoms-$((k * BASE)).pdb
  [ -s "$f" ] || python3 bench/gen_pdb.py "$f" $((k * BASE)) $((k * BASE))
done

LABEL_WIDTH=40
# shellcheck source=lib.sh
source bench/lib.sh

OUT=$DIR/out
rm -rf "$OUT"
mkdir -p "$OUT"
for n in $(seq 1 "$RUNS"); do
  run "korvane-cli info, $ATOMS atoms" "$n" "$CLI" info "$BIG"
  for k in 1 2 4 8; do
    run "korvane-cli PDB->OBJ, $((k * BASE)) atoms (${k}x)" "$n" "$CLI" convert "$DIR/atoms-$((k * BASE)).pdb" "$OUT/x$k.obj" -ld_mode=1
  done
done

# Every atom and bond must arrive: one sphere per atom, one cylinder per bond.
objects=$("$CLI" info "$BIG" | sed -n 's/^objects: //p')
if [ "$objects" != "$((2 * ATOMS))" ]; then
  echo "bench_pdb: $BIG gave $objects objects, expected $((2 * ATOMS))" >&2
  exit 1
fi

if [ "${BENCH_OBABEL:-1}" != "0" ]; then
  if command -v obabel >/dev/null 2>&1; then
    for n in $(seq 1 "$RUNS"); do
      run "obabel read, $ATOMS atoms" "$n" obabel -ipdb "$BIG" -otxt --append atoms
    done
  else
    row_missing "obabel (not installed)"
  fi
fi

echo
echo "input: $BIG ($(du -m "$BIG" | cut -f1) MB, $ATOMS atoms, $ATOMS CONECT bonds)"
for k in 1 2 4 8; do
  echo "OBJ ${k}x: $((k * BASE)) atoms -> $(du -m "$OUT/x$k.obj" | cut -f1) MB, $(grep -c '^f ' "$OUT/x$k.obj" || true) faces"
done
print_table
echo "goal for korvane-cli: info under 2 s; PDB->OBJ time in proportion to the atoms (2x, 4x, 8x the 1x time)"
