#!/bin/sh
# Measures the demo as it runs under a virtual X display: frames per second
# (from the window title's statistics), time from start to the first frame on
# screen, and peak memory. Run from the repository root after a build:
#   benchmarks/demo_figures.sh [WIDTHxHEIGHT ...]     (default: 800x600 1920x1080)
set -eu
script="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
run_dir="$(cd "$(dirname "$0")/.." && pwd)/build/run"

if [ "${1:-}" = "--inner" ]; then
    cd "$run_dir"
    # The first frame on screen, seen by a poll of the display that takes
    # little of the CPU the demo starts on; then a run of its own for the
    # rest.
    first=$(../benchmarks/first_frame ./CityDemo 2>/dev/null)
    ./CityDemo 2>/dev/null &
    pid=$!
    window=""
    while [ -z "$window" ]; do
        window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1 || true)
        sleep 0.05
    done
    sleep 12
    title=$(xprop -id "$window" _NET_WM_NAME | sed 's/.*= "//;s/"$//')
    peak=$(awk '/VmHWM/ {printf "%.0f MiB", $2 / 1024}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$2: $first; peak memory $peak; $title"
    exit 0
fi

for size in ${*:-800x600 1920x1080}; do
    xvfb-run -a -s "-screen 0 ${size}x24 -noreset" "$script" --inner "$size"
done
