#!/usr/bin/env bash
# Builds the benchmarks (Release), generates a data folder of 100,000
# invoices with five lines each and one invoice of 300 lines into a
# temporary folder, and runs every figure. Results go to $OUT_DIR
# (default: build-bench/bench-results) and a summary to the terminal.
#
#   bench/run_all.sh [--cold]
#
# Environment: BUILD_DIR (default build-bench), SKIP_BUILD=1, RUNS (start-up
# runs, default 10), INVOICES (default 100000), OUT_DIR.
# --cold also drops the operating system's file cache before each start-up
# run (needs root; it slows everything else on the machine for a moment).
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$SRC/build-bench}
RUNS=${RUNS:-10}
INVOICES=${INVOICES:-100000}
OUT=${OUT_DIR:-$BUILD/bench-results}
COLD=0
[ "${1:-}" = "--cold" ] && COLD=1

if [ "${SKIP_BUILD:-0}" != 1 ]; then
  cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVALMIR_BUILD_BENCH=ON \
    -DVALMIR_BUILD_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j1 --target valmir_gen valmir_startup_probe bench_list bench_editor \
    bench_overview bench_purge valmir_shell_collation
fi
BIN=$BUILD/bench

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT" "$WORK/runtime"
chmod 700 "$WORK/runtime"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 XDG_RUNTIME_DIR=$WORK/runtime
DATA=$WORK/data

echo "== generating $INVOICES invoices into $DATA"
"$BIN/valmir_gen" --data-dir "$DATA" --invoices "$INVOICES" --lines 5 --big-invoice 300 |
  tee "$OUT/generate.txt"
# Figures on invoices without their stored totals would not be an office's.
if command -v sqlcipher >/dev/null; then
  COLLATION=$BIN/libvalmir_shell_collation.so "$SRC/bench/check_totals.sh" "$DATA" |
    tee "$OUT/totals.txt"
fi

# The median of one key over all probe outputs.
median() {
  grep -h "^$1=" "$OUT"/probe.*.txt | cut -d= -f2 | sort -n |
    awk '{v[NR]=$1} END {if (NR) print v[int((NR+1)/2)]; else print "-"}'
}

echo "== start-up to the first painted rows, $RUNS fresh processes"
rm -f "$OUT"/probe.*.txt
for i in $(seq "$RUNS"); do
  if [ "$COLD" = 1 ]; then
    sync
    echo 3 >/proc/sys/vm/drop_caches
  fi
  VALMIR_LAUNCH_NS=$(date +%s%N) "$BIN/valmir_startup_probe" --data-dir "$DATA" >"$OUT/probe.$i.txt"
done
{
  echo "start-up medians over $RUNS runs (cold file cache: $COLD)"
  for k in qapplication_ms startup_ms glavna_ms show_to_paint_ms main_to_paint_ms cpu_to_paint_ms \
           cpu_startup_ms cpu_glavna_ms cpu_show_to_paint_ms \
           launch_to_main_ms launch_to_paint_ms main_to_all_rows_ms cpu_to_all_rows_ms \
           vmhwm_after_paint_kb vmhwm_after_all_rows_kb vmhwm_after_scroll_kb; do
    printf '  %-24s %s\n' "$k" "$(median $k)"
  done
} | tee "$OUT/startup.txt"

if command -v sqlcipher >/dev/null; then
  echo "== start-up against the sqlcipher shell reading the first 40 rows"
  BUILD_DIR=$BUILD "$SRC/bench/startup_vs_shell.sh" "$DATA" "$RUNS" | tee "$OUT/vs_shell.txt"
fi

echo "== invoice list"
"$BIN/bench_list" --data-dir "$DATA" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true | tee "$OUT/list.txt"

echo "== invoice editor"
"$BIN/bench_editor" --data-dir "$DATA" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true | tee "$OUT/editor.txt"

echo "== search in the list, status line, overview"
"$BIN/bench_overview" --data-dir "$DATA" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true | tee "$OUT/overview.txt"

echo "== purging the older half"
"$BIN/bench_purge" --data-dir "$DATA" --runs 3 --walk-limit 300 | tee "$OUT/purge.txt"
echo "== results in $OUT"
