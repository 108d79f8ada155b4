#!/usr/bin/env bash
# Builds VALMIR and starts it on its default data folder
# (~/.local/share/valmir), or on the folder given with --data-dir DIR.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -DCMAKE_BUILD_TYPE=Release \
      -DVALMIR_BUILD_TESTS=OFF -DVALMIR_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-release" -j2
exec "$top/build-release/valmir" "$@"
