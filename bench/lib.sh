# Shared by the conversion benchmarks: one measured run per call, collected
# into a table. The caller sets DIR (scratch folder) and may set LABEL_WIDTH.
#
#   source "$(dirname "$0")/lib.sh"
#   run "label" RUN command args...
#   row_missing "assimp (not installed)"
#   print_table

LABEL_WIDTH=${LABEL_WIDTH:-34}
HAVE_TIME=0
[ -x /usr/bin/time ] && HAVE_TIME=1
ROWS=()

row() { printf "%-${LABEL_WIDTH}s %4s %9s %9s %9s %6s" "$@"; }

# run LABEL RUN CMD... : one measured run appended to ROWS.
run() {
  local label=$1 n=$2
  shift 2
  local secs mem rc cpu="n/a"
  if [ "$HAVE_TIME" = 1 ]; then
    local log=$DIR/time.log
    set +e
    /usr/bin/time -v -o "$log" "$@" >/dev/null 2>"$DIR/stderr.log"
    rc=$?
    set -e
    local wall
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
    secs=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }')
    mem=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log" | awk '{ printf "%.0f", $1 / 1024 }')
    # CPU time as well: wall time suffers when the machine is busy.
    cpu=$(awk -F': ' '/User time \(seconds\)|System time \(seconds\)/ { s += $2 } END { printf "%.2f", s }' "$log")
  else
    local t0 t1
    t0=$(date +%s.%N)
    set +e
    "$@" >/dev/null 2>"$DIR/stderr.log"
    rc=$?
    set -e
    t1=$(date +%s.%N)
    secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')
    mem="n/a"
  fi
  ROWS+=("$(row "$label" "$n" "$secs" "$cpu" "$mem" "$rc")")
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
