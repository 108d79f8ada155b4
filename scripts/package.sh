#!/usr/bin/env bash
# Builds the Debian package valmir_<version>_amd64.deb (Release build,
# without tests and benchmarks) and leaves it in the top folder of the
# source. Install it with: sudo apt-get install ./valmir_<version>_amd64.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
build=$top/build-package
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release \
      -DVALMIR_BUILD_TESTS=OFF -DVALMIR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2
(cd "$build" && cpack -G DEB -B "$top")
rm -rf "$top/_CPack_Packages"
ls "$top"/valmir_*_amd64.deb
