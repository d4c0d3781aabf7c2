#!/bin/sh
# Starts a city-demo launcher from / under the current X display, waits until
# the demo's window shows that frames are being drawn ("d3d App    fps: ..."
# in its title: the data was found and loaded), then ends it with Escape and
# expects exit code 0 and no "HR Failed" report.
# Usage: launch-check.sh LAUNCHER [SECONDS]
set -eu
launcher=$1
limit=${2:-120}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

(cd / && exec "$launcher") >"$log" 2>&1 &
pid=$!

window=""
title=""
waited=0
while [ "$waited" -lt "$limit" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "launch-check: the demo ended before it drew a frame:" >&2
        cat "$log" >&2
        exit 1
    fi
    [ -n "$window" ] || window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) || true
    if [ -n "$window" ]; then
        title=$(xdotool getwindowname "$window" 2>/dev/null) || true
        case $title in "d3d App    fps: "*) break ;; esac
    fi
    sleep 1
    waited=$((waited + 1))
done
if [ "$waited" -ge "$limit" ]; then
    echo "launch-check: no drawing window after $limit s (window '$window', title '$title')" >&2
    kill "$pid" 2>/dev/null || true
    cat "$log" >&2
    exit 1
fi
echo "launch-check: window $window, title '$title'"

xdotool windowfocus --sync "$window" key Escape
waited=0
while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 30 ]; do
    sleep 1
    waited=$((waited + 1))
done
if kill -0 "$pid" 2>/dev/null; then
    echo "launch-check: the demo did not end within 30 s of Escape" >&2
    kill "$pid"
fi
status=0
wait "$pid" || status=$?
if [ "$status" -ne 0 ] || grep -q "HR Failed" "$log"; then
    echo "launch-check: the demo ended with status $status:" >&2
    cat "$log" >&2
    exit 1
fi
echo "launch-check: ended by Escape with status 0"
