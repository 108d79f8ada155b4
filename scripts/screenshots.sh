#!/bin/sh
# Makes the pictures of the manual again from the program's own windows:
# builds the screenshot tool and writes resources/help/img/*.png, on a
# fresh data folder of its own with a sample office and invoices.
# Usage: scripts/screenshots.sh [build folder]   (default: build)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j2 --target valmir_screenshots
# Headless, in the C locale: the program then shows Slovenian numbers,
# dates and amounts whatever the machine is set to.
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 \
    "$build/valmir_screenshots" resources/help/img
du -ch resources/help/img/*.png | tail -1
