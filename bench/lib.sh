# Shared by the conversion benchmarks: one measured run per call, collected
# into a table. The caller sets DIR (scratch folder) and may set LABEL_WIDTH.
#
#   source "$(dirname "$0")/lib.sh"
#   run "label" RUN command args...
#   measure command args...      (sets SECS, CPU, MEM, RC for callers that tabulate themselves)
#   row_missing "assimp (not installed)"
#   print_table

LABEL_WIDTH=${LABEL_WIDTH:-34}
HAVE_TIME=0
[ -x /usr/bin/time ] && HAVE_TIME=1
ROWS=()

row() { printf "%-${LABEL_WIDTH}s %4s %9s %9s %9s %6s" "$@"; }

# measure CMD... : one run of CMD; sets SECS (wall), CPU (user + system),
# MEM (peak resident MB) and RC. Standard error goes to $DIR/stderr.log.
measure() {
  SECS="n/a" CPU="n/a" MEM="n/a"
  if [ "$HAVE_TIME" = 1 ]; then
    local log=$DIR/time.log wall
    set +e
    /usr/bin/time -v -o "$log" "$@" >/dev/null 2>"$DIR/stderr.log"
    RC=$?
    set -e
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
    SECS=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }')
    MEM=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log" | awk '{ printf "%.0f", $1 / 1024 }')
    # CPU time as well: wall time suffers when the machine is busy.
    CPU=$(awk -F': ' '/User time \(seconds\)|System time \(seconds\)/ { s += $2 } END { printf "%.2f", s }' "$log")
  else
    local t0 t1
    t0=$(date +%s.%N)
    set +e
    "$@" >/dev/null 2>"$DIR/stderr.log"
    RC=$?
    set -e
    t1=$(date +%s.%N)
    SECS=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')
  fi
}

# run LABEL RUN CMD... : one measured run appended to ROWS.
run() {
  local label=$1 n=$2
  shift 2
  measure "$@"
  ROWS+=("$(row "$label" "$n" "$SECS" "$CPU" "$MEM" "$RC")")
}

# A row for a peer that is not there.
row_missing() { ROWS+=("$(row "$1" "-" "-" "-" "-" "-")"); }

# The load average, the header and every row.
print_table() {
  echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  row "command" "run" "seconds" "cpu s" "peak MB" "exit"
  echo
  for r in "${ROWS[@]}"; do echo "$r"; done
}

# ONE = the 980 000-triangle OBJ that bench_obj.sh leaves in $DIR; $1 names
# the script in the message when it is not there yet.
bench_obj_input() {
  ONE=$DIR/quads.obj
  if [ ! -s "$ONE" ]; then
    echo "$1: $ONE missing; run bash bench/bench_obj.sh 1 first, which makes it" >&2
    exit 1
  fi
}
