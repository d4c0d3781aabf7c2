#!/bin/sh
# Renders the menu icon, packaging/city-demo.png: one 256 x 256 frame of the
# demo's flight, drawn by CityCapture on lavapipe (as the golden pictures
# are), so the same build gives the same picture on any machine.
#   scripts/make-icon.sh [SECONDS]   the moment of the flight (default 100: the whole city from above)
# Needs a configured build folder (build/); look at the picture before committing it.
set -eu
cd "$(dirname "$0")/.."
at=${1:-100}

# Another driver would draw another picture: without lavapipe, no icon.
set -- /usr/share/vulkan/icd.d/lvp_icd.*.json
if [ ! -f "$1" ]; then
    echo "make-icon: lavapipe is not installed (no $1; mesa-vulkan-drivers has it)" >&2
    exit 1
fi
export VK_ICD_FILENAMES="$1"

cmake --build build --target CityCapture
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
(cd build/run && ./CityCapture --size 256x256 --from "$at" --to "$at" --png "$frames")
set -- "$frames"/frame-*.png
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "make-icon: CityCapture wrote no single frame: $*" >&2
    exit 1
fi
cp "$1" packaging/city-demo.png
echo "make-icon: packaging/city-demo.png from $at s of running time"
