#!/bin/sh
# Frame times of the demo on X11 (Xvfb) and natively on Wayland (sway's
# headless back end, software rendering), side by side at each size: the
# mean frame time over ten seconds of the flight (5 s to 15 s of running
# time, from the frames per second that the window title reports each
# second), with the slowest and fastest second. Wayland's column is left out
# where sway is missing. Run from the repository root after a build:
#   benchmarks/display_figures.sh [WIDTHxHEIGHT ...]   (default: 800x600 1280x720 1920x1080)
set -eu
script="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
run_dir="$(cd "$(dirname "$0")/.." && pwd)/build/run"

# Reads the title ($1 prints it) once a second from 5 s to 15 s and prints
# "mean ms (slowest-fastest)".
sample()
{
    sleep 5
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        sleep 1
        $1 | sed -n 's/.*fps: \([0-9]*\)\..*/\1/p'
    done | awk '$1 > 0 { n++; sum += $1; if (!lo || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
        END { if (n) printf "%.1f (%.1f-%.1f)", 1000 * n / sum, 1000 / lo, 1000 / hi; else printf "?" }'
}

if [ "${1:-}" = "--x11-inner" ]; then
    cd "$run_dir"
    ./CityDemo 2>/dev/null &
    pid=$!
    window=""
    while [ -z "$window" ]; do
        window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1 || true)
        sleep 0.1
    done
    title() { xprop -id "$window" _NET_WM_NAME; }
    sample title
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    exit 0
fi

x11()
{
    xvfb-run -a -s "-screen 0 ${1}x24 -noreset" "$script" --x11-inner
}

# sway refuses to run as root: there it runs as nobody, and the demo (as
# root) still reaches its socket.
wayland()
{
    folder=$(mktemp -d)
    mkdir -m 700 "$folder/run"
    echo "output HEADLESS-1 resolution $1" >"$folder/config"
    chmod 755 "$folder"
    as=""
    if [ "$(id -u)" = 0 ]; then
        chown nobody:nogroup "$folder/run"
        as="setpriv --reuid=nobody --regid=nogroup --clear-groups"
    fi
    env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$folder/run" HOME="$folder" \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        $as sway -c "$folder/config" >/dev/null 2>&1 &
    sway=$!
    socket=""
    for _ in $(seq 100); do
        socket=$(ls "$folder/run" 2>/dev/null | grep '^wayland-[0-9]*$' || true)
        ipc=$(ls "$folder"/run/sway-ipc.*.sock 2>/dev/null || true)
        [ -n "$socket" ] && [ -n "$ipc" ] && break
        sleep 0.1
    done
    (cd "$run_dir" && exec env -u DISPLAY XDG_RUNTIME_DIR="$folder/run" \
        WAYLAND_DISPLAY="$socket" SDL_VIDEODRIVER=wayland ./CityDemo 2>/dev/null) &
    pid=$!
    title() { SWAYSOCK=$ipc swaymsg -t get_tree | jq -r ".. | objects | select(.pid? == $pid) | .name"; }
    figures=$(sample title)
    kill $pid
    wait $pid 2>/dev/null || true
    kill $sway
    wait $sway 2>/dev/null || true
    rm -rf "$folder"
    echo "$figures"
}

printf '%-11s %-24s %s\n' size "X11 ms per frame" "Wayland ms per frame"
for size in ${*:-800x600 1280x720 1920x1080}; do
    on_wayland="(no sway)"
    if command -v sway >/dev/null && command -v jq >/dev/null; then
        on_wayland=$(wayland "$size")
    fi
    printf '%-11s %-24s %s\n' "$size" "$(x11 "$size")" "$on_wayland"
done
