#!/usr/bin/env bash
# Draws the pictures of the main window and of the editor that the README
# and the AppStream metadata show into packaging/posnetki/, headless.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -DCMAKE_BUILD_TYPE=Release \
      -DVALMIR_BUILD_TESTS=OFF -DVALMIR_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-release" -j2 --target valmir_screenshots
mkdir -p "$top/packaging/posnetki"
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$top/build-release/packaging/valmir_screenshots" \
  "$top/packaging/posnetki"
ls "$top/packaging/posnetki"
