#!/bin/sh
# Frame times of the demo on X11 (Xvfb) and natively on Wayland (sway's
# headless back end, software rendering), side by side at each size: the
# mean frame time over ten seconds of the flight (5 s to 15 s of running
# time, from the frames per second that the window title reports each
# second), with the slowest and fastest second. Beside them, the floor on the
# same driver and display path: build/benchmarks/raw_face, one full-screen
# textured triangle straight on Vulkan, measured over the same seconds on
# each display, with the present mode it got. Wayland's columns are left out
# where sway is missing. Run from the repository root after a build:
#   benchmarks/display_figures.sh [WIDTHxHEIGHT ...]   (default: 800x600 1280x720 1920x1080)
set -eu
script="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
build_dir="$(cd "$(dirname "$0")/.." && pwd)/build"
run_dir="$build_dir/run"
raw_face="$build_dir/benchmarks/raw_face"

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

# raw_face measures itself: its lines on standard input become
# "mean ms (slowest-fastest) present-mode".
raw_figures()
{
    awk -F': ' '/^present mode: / { mode = $2 } /^ms per frame: / { ms = $2 }
        END { printf "%s %s", ms ? ms : "?", mode }'
}

raw_x11()
{
    xvfb-run -a -s "-screen 0 ${1}x24 -noreset" "$raw_face" "$1" 2>/dev/null | raw_figures
}

# sway refuses to run as root: there it runs as nobody, and the demo (as
# root) still reaches its socket. The demo runs first, then raw_face in the
# same session: "demo figures|raw_face figures".
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
    raw="(not built)"
    if [ -x "$raw_face" ]; then
        raw=$(env -u DISPLAY XDG_RUNTIME_DIR="$folder/run" WAYLAND_DISPLAY="$socket" \
            SDL_VIDEODRIVER=wayland "$raw_face" "$1" 2>/dev/null | raw_figures)
    fi
    kill $sway
    wait $sway 2>/dev/null || true
    rm -rf "$folder"
    echo "$figures|$raw"
}

printf '%-11s %-24s %-24s %-28s %s\n' size "X11 ms per frame" "Wayland ms per frame" \
    "raw face X11 ms" "raw face Wayland ms"
for size in ${*:-800x600 1280x720 1920x1080}; do
    on_wayland="(no sway)|(no sway)"
    if command -v sway >/dev/null && command -v jq >/dev/null; then
        on_wayland=$(wayland "$size")
    fi
    raw="(not built)"
    if [ -x "$raw_face" ]; then
        raw=$(raw_x11 "$size")
    fi
    printf '%-11s %-24s %-24s %-28s %s\n' "$size" "$(x11 "$size")" "${on_wayland%%|*}" \
        "$raw" "${on_wayland#*|}"
done
