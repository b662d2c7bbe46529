#!/usr/bin/env bash
# Every import and export class of korvane-cli on inputs of one stated size,
# against `assimp` where it reads or writes the same format, in one table:
# format, direction, file size, median wall time and median peak memory of
# RUNS runs each, assimp's, and the ratios. The table goes to standard output
# and, with the machine and commit it was measured on, to bench/RESULTS.md.
#
#   bash bench/run-all.sh [RUNS] [TRIANGLES]
#
# RUNS       runs per command (default 3; the median is shown)
# TRIANGLES  size of the inputs (default 1000000): the grid of triangles with
#            normals and texture coordinates where the format holds them, in
#            several meshes with several materials. MD2 and MDL stay at the
#            largest model their indices allow (64 800 triangles, 100 frames).
#
# Imports are timed as `korvane-cli info FILE` against `assimp info FILE`,
# exports as `korvane-cli convert grid.obj OUT --to CLASS` (the OBJ input
# read each time) against `assimp export grid.obj OUT`.
#
# KORVANE_CLI         korvane-cli to measure (default: build-bench/bin/korvane-cli;
#                     use a Release build)
# KORVANE_CLI_BEFORE  a second korvane-cli (e.g. a build of an older commit),
#                     measured in the same runs: its columns are "before"
# BEFORE_LABEL        what to call that build in the results (default: its path)
# BENCH_DIR           inputs and outputs (default: $TMPDIR/korvane-bench-all)
# BENCH_RESULTS       file the results go to (default: bench/RESULTS.md; "-": none)
# BENCH_ASSIMP=0      skips the assimp runs
# BENCH_ONLY=REGEX    only the rows whose "format direction" matches
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-3}
TRIANGLES=${2:-1000000}
CLI=${KORVANE_CLI:-build-bench/bin/korvane-cli}
BEFORE=${KORVANE_CLI_BEFORE:-}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-all}
RESULTS=${BENCH_RESULTS:-bench/RESULTS.md}
ONLY=${BENCH_ONLY:-}
ASSIMP=assimp
if [ "${BENCH_ASSIMP:-1}" = "0" ] || ! command -v assimp >/dev/null 2>&1; then ASSIMP=""; fi

for c in "$CLI" $BEFORE; do
  if [ ! -x "$c" ]; then
    echo "run-all: $c not found; build first (cmake --preset bench && cmake --build --preset bench)" >&2
    exit 1
  fi
done
case "$DIR" in *" "*) echo "run-all: BENCH_DIR must not hold blanks" >&2; exit 1 ;; esac

IN=$DIR/in-$TRIANGLES
OUT=$DIR/out
mkdir -p "$IN" "$OUT"
export XDG_CONFIG_HOME=$DIR/config
# shellcheck source=lib.sh
source bench/lib.sh

# ---- inputs ----------------------------------------------------------------
QUADS=$((TRIANGLES / 2))
MESHES=$(((TRIANGLES + 49999) / 50000))  # a 3DS mesh indexes at most 65 535 vertices
gen() {  # gen FILE COMMAND... : makes FILE unless it is there
  local file=$1
  shift
  [ -s "$file" ] && return 0
  echo "generating $file ..." >&2
  "$@"
}
gen "$IN/grid.obj" python3 bench/make_grid_obj.py "$IN/one.obj" "$IN/grid.obj" "$QUADS" 20 4
gen "$IN/grid.3ds" python3 bench/make_3ds.py "$IN/grid.3ds" "$MESHES" $((TRIANGLES / MESHES)) 4
gen "$IN/grid.raw" python3 bench/make_raw.py "$IN/grid.raw" "$IN/unnamed.raw" "$TRIANGLES" 20
gen "$IN/grid.dxf" python3 bench/make_dxf.py polyface "$IN/grid.dxf" "$TRIANGLES"
gen "$IN/grid.lwo" python3 bench/gen_lwo2.py "$IN/grid.lwo" "$TRIANGLES" triangles
gen "$IN/grid.md2" python3 bench/make_quake.py "$IN/grid.md2" "$IN/grid.mdl"
gen "$IN/atoms.pdb" python3 bench/gen_pdb.py "$IN/atoms.pdb" $((TRIANGLES / 10)) $((TRIANGLES / 10))
# DirectX, glTF, STL and PLY inputs come from the OBJ through the converter
# itself (the first build given, so both builds read the same files).
MAKER=${BEFORE:-$CLI}
gen "$IN/grid_text.x" "$MAKER" convert "$IN/grid.obj" "$IN/grid_text.x" -ld_mode=1
gen "$IN/grid_bin.x" "$MAKER" convert "$IN/grid.obj" "$IN/grid_bin.x" -d3x_binary=1
gen "$IN/grid.glb" "$MAKER" convert "$IN/grid.obj" "$IN/grid.glb"
gen "$IN/grid.stl" "$MAKER" convert "$IN/grid.obj" "$IN/grid.stl"
gen "$IN/grid.ply" "$MAKER" convert "$IN/grid.obj" "$IN/grid.ply"
for f in grid_text.x grid_bin.x grid.glb grid.stl grid.ply; do
  [ -s "$IN/$f" ] || { echo "run-all: $IN/$f was not written" >&2; exit 1; }
done

# ---- one row ---------------------------------------------------------------
TABLE=()
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else print "-" }'; }
mb() { du -sb "$@" 2>/dev/null | awk '{ s += $1 } END { printf "%.1f", s / 1048576 }'; }

# orders N RUN: the tool indices 0..N-1 (N at most 3) in the RUN-th of
# their orders, taken in turn; for three tools in a sequence where, after
# 3, 5 or 6 runs, the last tool (assimp) came right before each of the
# other two about as often.
orders() {
  case $1 in
    1) echo 0 ;;
    2) local all=("0 1" "1 0"); echo "${all[$((($2 - 1) % 2))]}" ;;
    *) local all=("0 1 2" "2 0 1" "0 2 1" "1 2 0" "2 1 0" "1 0 2"); echo "${all[$((($2 - 1) % 6))]}" ;;
  esac
}

# case FORMAT DIRECTION SIZED OURS ASSIMP
#   SIZED   "in:FILE" (size of the input) or "out" (size of what was written)
#   OURS    korvane-cli's arguments, {out} standing for the row's output folder
#   ASSIMP  assimp's arguments, or "-" where assimp cannot do the job
case_row() {
  local format=$1 direction=$2 sized=$3 ours=$4 peer=$5
  if [ -n "$ONLY" ] && ! [[ "$format $direction" =~ $ONLY ]]; then return 0; fi
  local dest=$OUT/$(echo "$format-$direction" | tr -c 'A-Za-z0-9\n' '_')
  local -a args peer_args
  read -ra args <<<"${ours//\{out\}/$dest}"
  read -ra peer_args <<<"${peer//\{out\}/$dest}"
  [ -z "$ASSIMP" ] && peer_args=(-)
  local tools=("$CLI") names=(ours)
  [ -n "$BEFORE" ] && tools+=("$BEFORE") names+=(before)
  [ "${peer_args[0]}" != "-" ] && tools+=("$ASSIMP") names+=(assimp)
  declare -A secs cpus mems fails
  local n t size=""
  echo "  $format $direction ..." >&2
  local k order
  for n in $(seq 1 "$RUNS"); do
    # Each run takes the next order of the tools, through all of them: a
    # tool that always ran right after another's large run would pay for
    # the memory that run left behind (turning the order in a circle keeps
    # the same tool before it).
    order=$(orders "${#tools[@]}" "$n")
    for k in $order; do
      t=$k
      rm -rf "$dest"
      mkdir -p "$dest"
      if [ "${names[$t]}" = assimp ]; then
        measure "$ASSIMP" "${peer_args[@]}"
      else
        measure "${tools[$t]}" "${args[@]}"
      fi
      if [ "$RC" != 0 ]; then
        fails[${names[$t]}]="fail($RC)"
        sed 's/^/    /' "$DIR/stderr.log" | tail -3 >&2
      fi
      # The size is of what korvane-cli wrote.
      [ "$t" = 0 ] && [ "$sized" = out ] && size=$(mb "$dest")
      secs[${names[$t]}]+="$SECS "
      cpus[${names[$t]}]+="$CPU "
      mems[${names[$t]}]+="$MEM "
    done
  done
  [ "$sized" = out ] || size=$(mb "${sized#in:}")
  local -A med_s med_c med_m
  for t in "${names[@]}"; do
    med_s[$t]=$(echo "${secs[$t]}" | tr ' ' '\n' | grep . | median)
    med_c[$t]=$(echo "${cpus[$t]}" | tr ' ' '\n' | grep . | median)
    med_m[$t]=$(echo "${mems[$t]}" | tr ' ' '\n' | grep . | median)
    [ -n "${fails[$t]:-}" ] && med_s[$t]=${fails[$t]}
  done
  local line="| $format | $direction | $size | ${med_s[ours]} | ${med_c[ours]} | ${med_m[ours]}"
  if [ -n "$BEFORE" ]; then
    line+=" | ${med_s[before]} | ${med_c[before]} | ${med_m[before]} | $(ratio "${med_s[ours]}" "${med_s[before]}")"
    line+=" | $(ratio "${med_c[ours]}" "${med_c[before]}")"
    line+=" | $(ratio "${med_m[ours]}" "${med_m[before]}")"
  fi
  if [ -n "${med_s[assimp]:-}" ]; then
    line+=" | ${med_s[assimp]} | ${med_c[assimp]} | ${med_m[assimp]} | $(ratio "${med_s[ours]}" "${med_s[assimp]}")"
    line+=" | $(ratio "${med_c[ours]}" "${med_c[assimp]}")"
    line+=" | $(ratio "${med_m[ours]}" "${med_m[assimp]}") |"
  else
    line+=" | - | - | - | - | - | - |"
  fi
  TABLE+=("$line")
  echo "$line" >&2
}

# ---- the rows --------------------------------------------------------------
LOAD_START=$(cut -d' ' -f1-3 /proc/loadavg)
START=$(date +%s)
echo "measuring ($RUNS runs each) ..." >&2
imp() { case_row "$1" import "in:$2" "info $2" "${3:-info $2}"; }
imp 3DS "$IN/grid.3ds"
imp DXF "$IN/grid.dxf"
imp LWO "$IN/grid.lwo"
imp MD2 "$IN/grid.md2"
imp MDL "$IN/grid.mdl"
imp OBJ "$IN/grid.obj"
imp PDB "$IN/atoms.pdb" "-"
imp RAW "$IN/grid.raw" "-"  # assimp 5.2 stops on its object names ("A node of the scene-graph is nullptr")
imp "X text" "$IN/grid_text.x"
imp "X binary" "$IN/grid_bin.x"
imp glTF "$IN/grid.glb"
imp STL "$IN/grid.stl"
imp PLY "$IN/grid.ply"

exp() {  # exp FORMAT CLASS FILE [ASSIMP-FILE [ASSIMP-OPTIONS]|-] [OPTIONS]
  local peer="-"
  [ "${4:--}" != "-" ] && peer="export $IN/grid.obj {out}/$4"
  case_row "$1" export out "convert $IN/grid.obj {out}/$3 --to $2 ${5:-}" "$peer"
}
exp 3DS 0x1A8A6EA5 grid.3ds assimp.3ds
exp "3DS project" 0x67E872A5 grid.prj
exp "3DS ASCII" 0x55CC5C9E grid.asc
exp DXF 0x4C010CF1 grid.dxf
exp Lightflow 0x4FA2076E grid.py
exp LWO 0x5C244547 grid.lws
exp MD2 0x7C340BC0 grid.md2
exp OBJ 0x7D094E62 grid.obj assimp.obj -ld_mode=1
exp OpenGL 0x0EF3616E grid.cpp
exp RAW 0x38B21086 grid.raw
exp RIB 0x56442A5C grid.rib
exp "X text" 0x7ECE5349 grid.x assimp.x -ld_mode=1
exp "X binary" 0x7ECE5349 grid.x - -d3x_binary=1
exp "X compressed" 0x7ECE5349 grid.x - "-d3x_binary=1 -d3x_compressed=1"
exp glTF 0x6C9A41F4 grid.glb "assimp.glb -f glb2"
exp STL 0x6E0B3D27 grid.stl "assimp.stl -f stlb"
exp PLY 0x71A4E2C5 grid.ply "assimp.ply -f plyb"
exp VRML 0x27B00A23 grid.wrl
exp POV-Ray 0x3F5A2EF8 grid.pov
case_row 3DS "3DS->3DS" out "convert $IN/grid.3ds {out}/grid.3ds" "export $IN/grid.3ds {out}/assimp.3ds"
case_row "X text" "X->X" out "convert $IN/grid_text.x {out}/grid.x -ld_mode=1" "export $IN/grid_text.x {out}/assimp.x"
ELAPSED=$(($(date +%s) - START))

# ---- the table -------------------------------------------------------------
HEAD="| format | direction | MB | ours s | ours cpu | ours MB"
RULE="|---|---|---:|---:|---:|---:"
if [ -n "$BEFORE" ]; then
  HEAD+=" | before s | before cpu | before MB | s ours / before | cpu ours / before | MB ours / before"
  RULE+="|---:|---:|---:|---:|---:|---:"
fi
HEAD+=" | assimp s | assimp cpu | assimp MB | s ours / assimp | cpu ours / assimp | MB ours / assimp |"
RULE+="|---:|---:|---:|---:|---:|---:|"

report() {
  echo "## $(date -u '+%Y-%m-%d %H:%M UTC'): $RUNS runs each, $TRIANGLES triangles"
  echo
  echo "- machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1),"
  echo "  $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $(uname -sr);" \
    "shared with other work (load average $LOAD_START at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end)"
  echo "- measured: $CLI, commit $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' + changes')"
  [ -n "$BEFORE" ] && echo "- before: ${BEFORE_LABEL:-$BEFORE}"
  if [ -n "$ASSIMP" ]; then
    echo "- assimp: $(dpkg-query -W -f '${Version}' assimp-utils 2>/dev/null || echo 'version unknown')"
  fi
  echo "- inputs ($IN): OBJ $QUADS quads in 20 groups with 4 materials, positions, normals and texture"
  echo "  coordinates; 3DS $MESHES meshes with 4 materials, texture coordinates and smoothing groups; RAW"
  echo "  $TRIANGLES triangles in 20 objects; DXF $TRIANGLES polyface faces; LWO $TRIANGLES triangles in two"
  echo "  layers with four surfaces; MD2 and MDL 64 800 triangles x 100 frames; PDB $((TRIANGLES / 10))"
  echo "  atoms and bonds; X text and binary, glTF binary, STL binary and PLY binary written by korvane-cli"
  echo "  from the OBJ"
  echo "- s: median wall time; cpu: median user + system time (other work on a shared machine changes it"
  echo "  less than wall time, but the two threads of the large imports and exports add to it); MB: median"
  echo "  peak resident memory"
  echo "  (/usr/bin/time -v); a ratio below 1 is better for korvane-cli; the whole table took ${ELAPSED} s"
  echo
  echo "$HEAD"
  echo "$RULE"
  printf '%s\n' "${TABLE[@]}"
}
TEXT=$(report)
echo "$TEXT"
if [ "$RESULTS" != "-" ]; then
  {
    echo "# Benchmark results"
    echo
    echo "Written by \`bash bench/run-all.sh\`; older results below are kept."
    echo
    echo "$TEXT"
    if [ -s "$RESULTS" ]; then
      echo
      sed '1,/^Written by /d' "$RESULTS" | sed '1{/^$/d}'
    fi
  } >"$RESULTS.new"
  mv "$RESULTS.new" "$RESULTS"
  echo "written to $RESULTS" >&2
fi
