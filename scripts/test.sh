#!/bin/sh
# Sets up a fresh Debian 12 machine, builds the project and runs every test,
# then builds it again with sanitizers and runs the tests under them
# (scripts/sanitize.sh).
#   scripts/test.sh            all tests, sanitized runs included
#   scripts/test.sh -LE long   skip the long end-to-end runs and the sanitizers
# Extra arguments go to ctest; with any, the sanitized runs are left out.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh all
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCITY_TESTS=ON
cmake --build build --parallel "$(nproc)"
(cd build && ctest --output-on-failure "$@")
if [ $# -eq 0 ]; then
    scripts/sanitize.sh
fi
