#!/bin/sh
# Builds the Debian package with CPack and checks it: its control fields,
# lintian's verdict, that it holds the run directory's files byte for byte
# beside the programs, the launcher, the menu entry, the icon and the
# compressed manual page, and that its launcher, unpacked, answers and starts
# the demo from /.
# Usage: package-tests.sh CPACK BUILD_DIR SCRATCH_DIR   (under an X display)
set -eu
cpack=$1
build=$2
scratch=$3
here=$(cd "$(dirname "$0")" && pwd)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch"
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    exit 1
fi
set -- "$scratch"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "FAIL: cpack made no single .deb: $*" >&2; exit 1; }
deb=$1
echo "package: $deb"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = city-demo ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
echo "Depends: $depends"
for needed in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libvulkan1; do
    echo "$depends" | tr ',' '\n' | grep -Eq "^ *$needed( |$)" || fail "Depends lacks $needed"
done
echo "$depends" | tr ',' '\n' | grep -Eq '^ *mesa-vulkan-drivers \| vulkan-icd *$' ||
    fail "Depends lacks a Vulkan driver with Mesa's as the alternative"
echo "$depends" | grep -Eq -- '-dev\b|-dbg\b' && fail "Depends names a development package"

# Debian's checks of the package: no errors.
if command -v lintian >/dev/null 2>&1; then
    lintian --fail-on error "$deb" >"$scratch/lintian" 2>/dev/null || fail "lintian found errors:"
    cat "$scratch/lintian"
else
    fail "lintian is not installed (scripts/install-deps.sh installs it)"
fi

# Contents: every path under /usr, owned by root.
dpkg-deb -c "$deb" >"$scratch/contents"
awk '$2 != "root/root" { print "FAIL: not owned by root: " $0; bad = 1 } END { exit bad }' \
    "$scratch/contents" >&2 || failures=$((failures + 1))
awk '$6 !~ /^\.\/(usr\/)?$/ && $6 !~ /^\.\/usr\// { print "FAIL: outside /usr: " $6; bad = 1 } END { exit bad }' \
    "$scratch/contents" >&2 || failures=$((failures + 1))

root=$scratch/root
dpkg-deb -x "$deb" "$root"
data=$root/usr/lib/city-demo
for program in usr/bin/city-demo usr/lib/city-demo/CityDemo usr/lib/city-demo/CityCapture \
    usr/lib/city-demo/HlslCompiler; do
    [ -x "$root/$program" ] || fail "$program is missing or not executable"
done
for elf in "$data/CityDemo" "$data/CityCapture" "$data/HlslCompiler"; do
    readelf -S "$elf" | grep -q '\.debug_info' && fail "$elf is not stripped"
    readelf -d "$elf" | grep -Eq 'RPATH|RUNPATH' && fail "$elf carries a run path"
done

# The data: the run directory's files, the same bytes.
(cd "$build/run" && find Shaders Textures 2.mp3 -type f) >"$scratch/data-files"
[ -s "$scratch/data-files" ] || fail "the build's run directory holds no data"
while read -r file; do
    cmp -s "$build/run/$file" "$data/$file" || fail "$file differs from the run directory or is missing"
done <"$scratch/data-files"

# Menu entry, icon, manual page, documents.
desktop=$root/usr/share/applications/city-demo.desktop
grep -qx 'Exec=city-demo' "$desktop" || fail "the menu entry does not start city-demo"
grep -qx 'Terminal=false' "$desktop" || fail "the menu entry asks for a terminal"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
icon=$root/usr/share/icons/hicolor/256x256/apps/$icon_name.png
# A PNG's header: the signature, then IHDR with width and height (big-endian).
size=$(od -An -tx1 -j16 -N8 "$icon" 2>/dev/null | tr -d ' \n')
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "no PNG icon for Icon=$icon_name"
[ "$size" = 0000010000000100 ] || fail "the icon is not 256 x 256 (IHDR $size)"
man=$root/usr/share/man/man6/city-demo.6.gz
gzip -t "$man" 2>/dev/null && gzip -dc "$man" | head -n 1 | grep -q '^\.TH CITY-DEMO 6 ' ||
    fail "no gzipped section-6 manual page"
[ -s "$root/usr/share/doc/city-demo/copyright" ] || fail "no copyright file"
gzip -t "$root/usr/share/doc/city-demo/changelog.gz" 2>/dev/null || fail "no gzipped changelog"

# The launcher, unpacked: it finds the data relative to itself.
launcher=$root/usr/bin/city-demo
[ "$("$launcher" --version)" = "city-demo $(field Version)" ] ||
    fail "--version says '$("$launcher" --version)', the package is $(field Version)"
help=$("$launcher" --help)
for control in Escape F2 left-drag xvfb-run; do
    echo "$help" | grep -q -- "$control" || fail "--help does not mention $control"
done
status=0
"$launcher" --fullscreen 2>"$scratch/err" || status=$?
[ "$status" -eq 2 ] && grep -q "fullscreen" "$scratch/err" || fail "an unknown argument gave status $status"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$launcher" 2>"$scratch/err" || status=$?
[ "$status" -eq 1 ] && grep -q "no display" "$scratch/err" || fail "without a display: status $status, $(cat "$scratch/err")"
"$here/launch-check.sh" "$launcher" 120 || fail "the unpacked launcher did not start the demo from /"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "package: all checks passed"
