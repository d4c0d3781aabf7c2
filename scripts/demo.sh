#!/bin/sh
# Sets up a fresh Debian 12 machine, builds the project and runs the demo.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)"

if [ ! -x build/run/CityDemo ]; then
    echo "demo: the framework and platform layer are built; the demo program itself"
    echo "demo: is not part of this build yet. Run scripts/test.sh to exercise them."
    exit 0
fi
cd build/run
exec ./CityDemo
