#!/bin/sh
# Frame times of the demo on X11 (Xvfb) and natively on Wayland (sway's
# headless back end, software rendering), side by side at each size: the
# milliseconds per frame of the window title's statistics, as it reads at
# 7 s and 13 s of running time. Wayland's column is left out where sway is
# missing. Run from the repository root after a build:
#   benchmarks/display_figures.sh [WIDTHxHEIGHT ...]   (default: 800x600 1280x720 1920x1080)
set -eu
run_dir="$(cd "$(dirname "$0")/.." && pwd)/build/run"

# The title's "mspf" at 7 s and 13 s; $1 prints the demo's title.
sample()
{
    sleep 7
    a=$($1 | sed -n 's/.*mspf: \([0-9.]*\).*/\1/p')
    sleep 6
    b=$($1 | sed -n 's/.*mspf: \([0-9.]*\).*/\1/p')
    echo "${a:-?} ${b:-?}"
}

x11()
{
    xvfb-run -a -s "-screen 0 ${1}x24 -noreset" sh -c '
        cd "$1" && ./CityDemo 2>/dev/null & pid=$!
        w=""
        while [ -z "$w" ]; do
            w=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | head -n1 || true)
            sleep 0.1
        done
        title() { xprop -id "$w" _NET_WM_NAME | sed "s/.*= \"//;s/\"$//"; }
        sleep 7; a=$(title | sed -n "s/.*mspf: \([0-9.]*\).*/\1/p")
        sleep 6; b=$(title | sed -n "s/.*mspf: \([0-9.]*\).*/\1/p")
        kill $pid; wait $pid 2>/dev/null
        echo "${a:-?} ${b:-?}"' sh "$run_dir"
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
    (cd "$run_dir" && env -u DISPLAY XDG_RUNTIME_DIR="$folder/run" WAYLAND_DISPLAY="$socket" \
        SDL_VIDEODRIVER=wayland ./CityDemo 2>/dev/null) &
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

printf '%-11s %-22s %s\n' size "X11 ms (7 s, 13 s)" "Wayland ms (7 s, 13 s)"
for size in ${*:-800x600 1280x720 1920x1080}; do
    on_wayland="(no sway)"
    if command -v sway >/dev/null && command -v jq >/dev/null; then
        on_wayland=$(wayland "$size")
    fi
    printf '%-11s %-22s %s\n' "$size" "$(x11 "$size")" "$on_wayland"
done
