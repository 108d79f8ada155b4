#!/usr/bin/env bash
# Builds VALMIR with its tests and benchmarks (debug, warnings as errors)
# and runs every test headless; then builds the tests again with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) and runs
# them all there; then a short round of each fuzz target (build-fuzz/,
# clang). Each part says how long it took.
#
# VALMIR_TEST_PARTS selects parts: "plain asan fuzz" (the default, as in CI).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
parts=" ${VALMIR_TEST_PARTS:-plain asan fuzz} "
"$top/scripts/install-deps.sh"

timed() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  echo "== $name: $((SECONDS - start)) s"
}

plain() {
  cmake -S "$top" -B "$top/build-test" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$top/build-test" -j2
  (cd "$top/build-test" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600)
}

# A finding of either sanitizer (leaks included) ends the test that made
# it. No leak report is suppressed: the suite runs clean without. The
# Debian package is the plain part's business (it packs that build's
# program, not an instrumented one). The second runs of tests on the server
# (<folder>_<name>_server) are the plain build's only: the engine's server
# code runs under the sanitizers in data_server.
asan() {
  cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVALMIR_ASAN=ON -DVALMIR_UBSAN=ON \
    -DVALMIR_BUILD_BENCH=OFF >/dev/null
  cmake --build "$top/build-asan" -j2
  (cd "$top/build-asan" &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 QTEST_DISABLE_STACK_DUMP=1 \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 900 \
      -E '^package_deb$|^[a-z]+_[a-z_]+_server$')
}

fuzz() { "$top/scripts/fuzz.sh"; }

for part in plain asan fuzz; do
  if [[ $parts == *" $part "* ]]; then
    timed "$part" "$part"
  fi
done
