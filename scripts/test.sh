#!/bin/sh
# Sets up a fresh Debian 12 machine, builds the project and runs every test.
#   scripts/test.sh            all tests
#   scripts/test.sh -LE long   skip the long end-to-end runs
# Extra arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)"
cd build
ctest --output-on-failure "$@"
