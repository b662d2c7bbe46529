#!/usr/bin/env bash
# The window program: start-up to a usable window with every plug-in, and
# the import of bench_obj.sh's 980 000-triangle OBJ in the window, under
# Xvfb (xcb) and offscreen. Each run prints its own time to the ready window
# and how often the interface was pumped during the import (the longest gap
# is the longest the window went without repainting). Medians of RUNS runs.
# Then the preview's orbit on that OBJ: ORBIT_FRAMES drag steps drawn one
# after the other in Mesa's software renderer, frames per second.
#
#   bash bench/bench_gui.sh [RUNS]
#
# KORVANE_GUI  the program (default: build/bin/korvane)
# BENCH_DIR    where bench_obj.sh left quads.obj (default: $TMPDIR/korvane-bench-obj)
# ORBIT_FRAMES  drag steps of the orbit timing (default 30)
# Goals: ready in under 1 s; the import never more than 100 ms without a pump;
# the orbit at interactive rates (10 frames/s and more).
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-5}
GUI=${KORVANE_GUI:-build/bin/korvane}
DIR=${BENCH_DIR:-${TMPDIR:-/tmp}/korvane-bench-obj}
OBJ=$DIR/quads.obj
[ -x "$GUI" ] || { echo "bench_gui: $GUI not found; build first" >&2; exit 1; }

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# measure PLATFORM [FILE]: wall ms of whole runs (process start to end) and
# the program's own lines.
measure() {
  local platform=$1 file=${2:-} walls=() line
  for _ in $(seq "$RUNS"); do
    local tmp
    tmp=$(mktemp -d)
    local t0 t1
    t0=$(date +%s%N)
    if [ "$platform" = xcb ]; then
      line=$(XDG_CONFIG_HOME=$tmp XDG_RUNTIME_DIR=$tmp QT_QPA_PLATFORM=xcb xvfb-run -a "$GUI" --exit-when-ready $file 2>/dev/null)
    else
      line=$(XDG_CONFIG_HOME=$tmp XDG_RUNTIME_DIR=$tmp QT_QPA_PLATFORM=offscreen "$GUI" --exit-when-ready $file 2>/dev/null)
    fi
    t1=$(date +%s%N)
    rm -rf "$tmp"
    walls+=($(( (t1 - t0) / 1000000 )))
    echo "  $platform: $line" >&2
  done
  printf "%s\n" "${walls[@]}" | median
}

echo "start-up, $RUNS runs each (whole process; Xvfb adds its own start):"
echo "  offscreen median wall ms: $(measure offscreen)"
command -v xvfb-run >/dev/null && echo "  xvfb      median wall ms: $(measure xcb)"
if [ -s "$OBJ" ]; then
  echo "import of $OBJ in the window:"
  echo "  offscreen median wall ms: $(measure offscreen "$OBJ")"
  echo "preview orbit on $OBJ (offscreen, the window at its first size):"
  for _ in $(seq "$RUNS"); do
    tmp=$(mktemp -d)
    XDG_CONFIG_HOME=$tmp XDG_RUNTIME_DIR=$tmp QT_QPA_PLATFORM=offscreen "$GUI" --orbit-frames "${ORBIT_FRAMES:-30}" "$OBJ" 2>/dev/null |
      grep '^orbit:' | sed 's/^/  /'
    rm -rf "$tmp"
  done
else
  echo "no $OBJ: run bash bench/bench_obj.sh first for the import and orbit timings"
fi
