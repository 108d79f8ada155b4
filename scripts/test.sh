#!/usr/bin/env bash
# Builds VALMIR with its tests and benchmarks (debug, warnings as errors)
# and runs every test headless.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-test" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$top/build-test" -j2
cd "$top/build-test"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
