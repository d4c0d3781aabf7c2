#!/bin/sh
# Cross-builds the program and its program-side tests for 64-bit Windows with
# MinGW-w64 (scripts/install-deps.sh installs it).
#   scripts/build-windows.sh [build-folder [native-run-directory]]
# The build folder defaults to build-windows. Given a native run directory
# (build/run, which holds the generated Textures/ and 2.mp3), the build also
# assembles the Windows run directory and CityDemo-windows.zip.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-windows}
data=${2:-}
if [ -n "$data" ]; then
    data=$(cd "$data" && pwd)
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DCITY_DATA_DIR="$data"
cmake --build "$build" --parallel "$(nproc)"
