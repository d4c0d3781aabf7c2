#!/bin/sh
# Starts CityDemo.exe under Wine in its run directory, under a virtual X
# display, and checks that it walks its start-up on Wine's Win32 and
# Direct3D 12 (vkd3d, on lavapipe here): the "d3d App" window opens, the
# device is created, the textures load and the root signature is built, and
# the start stops at the shader compilation, which Wine's HLSL compiler does
# not implement for the 5.1 targets: the "HR Failed" box names the check
# "hr" in d3dUtil.cpp. The box is closed with Return, as a user would.
# The music starts before that, through MCI: ALSA's null device gives Wine an
# audio output, so 2.mp3 is opened and plays while the program ends.
#   wine-startup-check.sh <wine-prefix> <run-directory>
set -eu
export WINEPREFIX="$1"
cd "$2"
export WINEDLLOVERRIDES="mscoree,mshtml="
# msgbox: Wine traces each message box's text; debugstr: the debugger output;
# mciqtz: the files MCI opens.
export WINEDEBUG="-all,+msgbox,+debugstr,+mciqtz"
log=$(mktemp)
windows=$(mktemp)
alsa=$(mktemp)
trap 'rm -f "$log" "$windows" "$alsa"' EXIT
echo 'pcm.!default { type null }' >"$alsa"
export ALSA_CONFIG_PATH="$alsa"

xvfb-run -a -s "-screen 0 1024x768x24 -noreset" sh -c '
    /usr/lib/wine/wine64 CityDemo.exe >"$1" 2>&1 &
    demo=$!
    box=$(timeout 90 xdotool search --sync --name "^HR Failed\$" | head -1)
    for w in $(xdotool search --name "^d3d App"); do xdotool getwindowname "$w"; done >"$2"
    echo "HR Failed box: ${box:-none}" >>"$2"
    [ -n "$box" ] && xdotool key --window "$box" Return
    timeout 30 sh -c "while kill -0 $demo 2>/dev/null; do sleep 0.2; done" || kill $demo
    wait $demo
    echo "exit code: $?" >>"$2"
' sh "$log" "$windows"

echo "windows seen:"
sed 's/^/  /' "$windows"
echo "debugger output and message boxes:"
grep -a -E 'trace:(debugstr|msgbox)' "$log" | sed 's/^/  /'

grep -q '^d3d App' "$windows" || { echo "FAIL: no d3d App window"; exit 1; }
grep -q '^HR Failed box: [0-9]' "$windows" || { echo "FAIL: no HR Failed box"; exit 1; }
grep -q '^exit code: 0$' "$windows" || { echo "FAIL: the program did not end with code 0"; exit 1; }
grep -a -q 'trace:mciqtz:MCIQTZ_mciOpen Open file L".*2\.mp3"' "$log" &&
    ! grep -a -q 'trace:mciqtz:MCIQTZ_mciOpen Cannot render file' "$log" ||
    { echo "FAIL: MCI did not open 2.mp3"; exit 1; }
grep -a -q 'trace:msgbox:.*L"hr failed in .*d3dUtil.cpp; line [0-9]*; error: ' "$log" ||
    { echo "FAIL: the box does not name the check hr in d3dUtil.cpp"; exit 1; }
echo "PASS: start-up reached the shader compilation on Wine"
