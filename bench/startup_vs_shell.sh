#!/usr/bin/env bash
# Start-up of the program against the plain sqlcipher shell on the same
# data folder, in one run: each round starts one fresh valmir_startup_probe
# (exec to the first painted rows of the invoice list) and one fresh
# sqlcipher shell process that opens the same file with the key and reads
# the first 40 rows in the list's order (exec to exit), the two in turns.
# Prints every round and the medians.
#
#   bench/startup_vs_shell.sh DATA_DIR [ROUNDS]
#
# Environment: BUILD_DIR (default build-bench), PROBE (another build of
# valmir_startup_probe, to compare versions). Needs the Debian package
# sqlcipher (scripts/install-deps.sh).
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$SRC/build-bench}
DATA=$(cd "$1" && pwd)
ROUNDS=${2:-11}
PROBE=${PROBE:-$BUILD/bench/valmir_startup_probe}
COLLATION=$BUILD/bench/libvalmir_shell_collation.so
DB=$DATA/valmir2009.db
for f in "$PROBE" "$COLLATION" "$DB"; do
  [ -e "$f" ] || { echo "missing: $f" >&2; exit 1; }
done
command -v sqlcipher >/dev/null || { echo "sqlcipher shell missing (apt-get install sqlcipher)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -m 700 "$WORK/runtime"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 XDG_RUNTIME_DIR=$WORK/runtime

# The key is the program's own (src/data/Schema.cpp, dataPassword()).
cat >"$WORK/first40.sql" <<SQL
.load $COLLATION
PRAGMA key = '7tav350kr';
SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC LIMIT 40;
SQL

# Wall clock from before exec to after exit, and the CPU time of the shell
# process (user + system), in ms.
shell_round() {
  local t
  t=$( { TIMEFORMAT='%3R %3U %3S'; time sqlcipher -batch "$DB" <"$WORK/first40.sql" >"$WORK/shell.out"; } 2>&1 )
  echo "$t" | awk '{printf "%.1f %.1f", $1 * 1000, ($2 + $3) * 1000}'
}

value() { grep -h "^$1=" "$WORK/probe.out" | cut -d= -f2; }

# Exec to the first painted rows (wall), the process's CPU time until then,
# main() to the first paint, and the peak memory after Ctrl+End and back.
probe_round() {
  VALMIR_LAUNCH_NS=$(date +%s%N) "$PROBE" --data-dir "$DATA" >"$WORK/probe.out"
  echo "$(value launch_to_paint_ms) $(value cpu_to_paint_ms) $(value main_to_paint_ms)" \
    "$(value vmhwm_after_scroll_kb)"
}

median() { sort -n | awk '{v[NR]=$1} END {if (NR) print v[int((NR+1)/2)]; else print "-"}'; }

echo "round  shell: wall cpu  program: exec-to-paint cpu-to-paint main-to-paint vmhwm_kb"
: >"$WORK/rows"
for i in $(seq "$ROUNDS"); do
  if [ $((i % 2)) = 1 ]; then
    p=$(probe_round); s=$(shell_round)
  else
    s=$(shell_round); p=$(probe_round)
  fi
  echo "$s $p" >>"$WORK/rows"
  printf '%5d  %s  %s\n' "$i" "$s" "$p"
done
echo "first row, shell: $(head -1 "$WORK/shell.out" | cut -d'|' -f2)"
echo "first row, probe: $(grep '^first_row=' "$WORK/probe.out" | cut -d= -f2 | cut -d' ' -f1)"
echo "rows in the list when painted: $(grep '^rows=' "$WORK/probe.out" | cut -d= -f2)"
col() { cut -d' ' -f"$1" "$WORK/rows" | median; }
echo "medians over $ROUNDS rounds:"
echo "  shell, exec to exit, wall / CPU:        $(col 1) / $(col 2) ms"
echo "  program, exec to first paint, wall:     $(col 3) ms"
echo "  program, CPU until the first paint:     $(col 4) ms"
echo "  program, main() to first paint, wall:   $(col 5) ms"
echo "  program, peak memory (VmHWM):           $(col 6) kB"
echo "  ratio program / shell, wall:           $(awk '{print $3 / $1}' "$WORK/rows" | median)"
echo "  ratio program / shell, CPU:            $(awk '{print $4 / $2}' "$WORK/rows" | median)"
