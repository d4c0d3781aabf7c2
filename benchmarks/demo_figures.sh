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
    start=$(date +%s%N)
    ./CityDemo 2>/dev/null &
    pid=$!
    window=""
    while [ -z "$window" ]; do
        window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1 || true)
        sleep 0.05
    done
    # The first frame is on screen once the window shows anything but black.
    while :; do
        mean=$(import -window "$window" -colorspace gray -format '%[fx:mean>0.01]' info: 2>/dev/null || echo 0)
        [ "$mean" = 1 ] && break
        sleep 0.05
    done
    first_ms=$(( ($(date +%s%N) - start) / 1000000 ))
    sleep 12
    title=$(xprop -id "$window" _NET_WM_NAME | sed 's/.*= "//;s/"$//')
    peak=$(awk '/VmHWM/ {printf "%.0f MiB", $2 / 1024}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$2: first frame after $first_ms ms; peak memory $peak; $title"
    exit 0
fi

for size in ${*:-800x600 1920x1080}; do
    xvfb-run -a -s "-screen 0 ${size}x24 -noreset" "$script" --inner "$size"
done
