#!/usr/bin/env bash
# Batch conversion through korvane-cli:
#  - 200 entries of the real files of ../shared/corpus/{3ds,obj,raw}, to OBJ
#    and to 3DS, with the object pass welding and smoothing, in one process
#    (--jobs 1) and in two worker processes (--jobs 2);
#  - the same list in three shards (--shard K/3), which together must
#    convert every entry exactly once;
#  - 1 000 small RAW files to 3DS with the same pass, in one process
#    (plug-ins loaded once);
#  - 16 grids of 120 000 triangles to 3DS with --jobs 1 and --jobs 2: the
#    corpus entries take about a millisecond each, so the workers' start and
#    hand-over show there; these show the scaling itself.
# Prints wall time, CPU time and peak memory per run.
#
#   bash bench/bench_batch.sh [RUNS]
#
# KORVANE_CLI     korvane-cli to run (default: build/bin/korvane-cli)
# BENCH_DIR       scratch folder (default: $TMPDIR/korvane-bench-batch)
# Goals: --jobs 2 about half the wall time of --jobs 1 on a 2-core machine;
# the 1 000 small files in under 10 s.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-5}
CLI=${KORVANE_CLI:-build/bin/korvane-cli}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-batch}
CORPUS=../shared/corpus
ENTRIES=200
SMALL=1000
LARGE=16
LARGE_QUADS=60000

if [ ! -x "$CLI" ]; then
  echo "bench_batch: $CLI not found; build first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi
if [ ! -d "$CORPUS" ]; then
  echo "bench_batch: no corpus at $CORPUS" >&2
  exit 1
fi
CLI=$(realpath "$CLI")
rm -rf "$DIR"
mkdir -p "$DIR"

# The corpus list: every model file to OBJ and to 3DS, each round into
# folders of its own so that no two entries write the same file.
mapfile -t MODELS < <(find "$CORPUS/3ds" "$CORPUS/obj" "$CORPUS/raw" -maxdepth 1 -type f \
  \( -iname '*.3ds' -o -iname '*.obj' -o -iname '*.raw' \) | sort)
round=0
while [ "$(cat "$DIR/all.lst" 2>/dev/null | wc -l)" -lt "$ENTRIES" ]; do
  "$CLI" batch-add "$DIR/all.lst" "$DIR/out/r$round/obj" "${MODELS[@]}" --to '(*.obj)' >/dev/null
  "$CLI" batch-add "$DIR/all.lst" "$DIR/out/r$round/3ds" "${MODELS[@]}" --to '(*.3ds)' >/dev/null
  round=$((round + 1))
done
head -n "$ENTRIES" "$DIR/all.lst" >"$DIR/corpus.lst"
printf -- '-f_mesh_weld = 1;\n-f_mesh_smooth = 1;\n' >"$DIR/weld_smooth.ini"

# The small files: the sample cube under 1 000 names.
mkdir -p "$DIR/small"
for i in $(seq 1 "$SMALL"); do cp samples/cube.raw "$DIR/small/cube$i.raw"; done
"$CLI" batch-add "$DIR/small.lst" "$DIR/out/small" "$DIR"/small/*.raw --to '(*.3ds)' >/dev/null

# The large entries: one grid under 16 names.
mkdir -p "$DIR/large"
python3 bench/make_grid_obj.py "$DIR/large/grid1.obj" "$DIR/large/groups.obj" "$LARGE_QUADS" 1000
rm -f "$DIR/large/groups.obj"
for i in $(seq 2 "$LARGE"); do cp "$DIR/large/grid1.obj" "$DIR/large/grid$i.obj"; done
"$CLI" batch-add "$DIR/large.lst" "$DIR/out/large" "$DIR"/large/*.obj --to '(*.3ds)' >/dev/null

LABEL_WIDTH=40
# shellcheck source=lib.sh
source bench/lib.sh

for n in $(seq 1 "$RUNS"); do
  run "batch $ENTRIES corpus entries --jobs 1" "$n" "$CLI" batch "$DIR/corpus.lst" --objmod "$DIR/weld_smooth.ini" --jobs 1
  run "batch $ENTRIES corpus entries --jobs 2" "$n" "$CLI" batch "$DIR/corpus.lst" --objmod "$DIR/weld_smooth.ini" --jobs 2
  run "batch $SMALL small files --jobs 1" "$n" "$CLI" batch "$DIR/small.lst" --objmod "$DIR/weld_smooth.ini"
  run "batch $LARGE grids --jobs 1" "$n" "$CLI" batch "$DIR/large.lst" --jobs 1
  run "batch $LARGE grids --jobs 2" "$n" "$CLI" batch "$DIR/large.lst" --jobs 2
done

# Every entry converted, and the three shards cover the list exactly once.
for k in 1 2 3; do
  "$CLI" batch "$DIR/corpus.lst" --objmod "$DIR/weld_smooth.ini" --shard "$k/3" --report "$DIR/shard$k.jsonl" >/dev/null
done
cat "$DIR"/shard?.jsonl >"$DIR/shards.jsonl"
total=$(wc -l <"$DIR/shards.jsonl")
unique=$(sed 's/.*"index": \([0-9]*\),.*/\1/' "$DIR/shards.jsonl" | sort -u | wc -l)
converted=$(grep -c '"status": "converted"' "$DIR/shards.jsonl" || true)
if [ "$total" != "$ENTRIES" ] || [ "$unique" != "$ENTRIES" ] || [ "$converted" != "$ENTRIES" ]; then
  echo "bench_batch: shards wrote $total lines for $unique entries, $converted converted; expected $ENTRIES" >&2
  exit 1
fi
small=$("$CLI" batch "$DIR/small.lst" --objmod "$DIR/weld_smooth.ini" | tail -n 1)
case "$small" in
  "batch: $SMALL entries, $SMALL converted, 0 failed, 0 skipped") ;;
  *) echo "bench_batch: small files: $small" >&2; exit 1 ;;
esac

echo
echo "corpus list: $ENTRIES entries of ${#MODELS[@]} models to OBJ and 3DS, weld + smooth; shards 1/3 2/3 3/3: $total entries, each once, all converted"
echo "cores: $(nproc)"
print_table
echo "large list: $LARGE grids of $((LARGE_QUADS * 2)) triangles to 3DS"
echo "goals: --jobs 2 about half the wall time of --jobs 1; $SMALL small files under 10 s"
