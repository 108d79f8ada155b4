#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on, in build-fuzz/) and runs each on a copy
# of its seed corpus.
#
#   scripts/fuzz.sh                 short round of every target (CI)
#   RUNS=1000000 scripts/fuzz.sh fuzz_numbers fuzz_dates
#   SECONDS_OPEN=3600 scripts/fuzz.sh fuzz_open_data
#
# RUNS: runs of each text target (default 20000); SECONDS_OPEN: time for
# the file target, which pays the key derivation on every run (default 30);
# FUZZ_BUILD_DIR: another build folder than build-fuzz/.
# A fault stops with the input that caused it in build-fuzz/findings/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${FUZZ_BUILD_DIR:-$top/build-fuzz}"
runs=${RUNS:-20000}
seconds_open=${SECONDS_OPEN:-30}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_numbers fuzz_dates fuzz_rtf_escape fuzz_document fuzz_upn fuzz_einvoice fuzz_open_data)

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVALMIR_FUZZ=ON -DVALMIR_BUILD_TESTS=OFF -DVALMIR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/findings"
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  cp -n "$top/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
  if [ "$t" = fuzz_open_data ]; then
    VALMIR_FUZZ_SEEDS="$corpus" "$build/fuzz/$t"
    limits=(-max_total_time="$seconds_open" -max_len=$((1024 * 1024)) -timeout=60)
  else
    limits=(-runs="$runs" -max_len=4096)
  fi
  [ -f "$top/fuzz/$t.dict" ] && limits+=(-dict="$top/fuzz/$t.dict")
  echo "== $t"
  start=$(date +%s)
  "$build/fuzz/$t" "${limits[@]}" -artifact_prefix="$build/findings/$t-" \
    -print_final_stats=1 "$corpus" 2>"$build/$t.log" || { tail -50 "$build/$t.log"; exit 1; }
  grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$build/$t.log" || true
  echo "   $(( $(date +%s) - start )) s"
done
