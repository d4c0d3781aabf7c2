#!/bin/sh
# Builds the Debian package, has lintian check it, and checks it as a user
# meets it: installed with apt together with its dependencies, started as
# `city-demo` from / under a virtual X display until it draws, asked for
# --help, then removed with dpkg -r, which must leave none of its files behind.
#
#   scripts/check-package.sh               on this machine (installs and removes the package)
#   scripts/check-package.sh --throwaway   on a machine made for the check only: first
#       removes the run-time libraries the package depends on, so that apt has to
#       install them from its Depends. On a brand-new Debian 12:
#       ../shared/tools/fresh-debian.sh . 'scripts/check-package.sh --throwaway'
set -eu
cd "$(dirname "$0")/.."

throwaway=false
case ${1:-} in
"") ;;
--throwaway) throwaway=true ;;
*)
    echo "check-package: takes no argument but --throwaway, not '$1'" >&2
    exit 2
    ;;
esac
step() { echo "== check-package: $*"; }
apt_get() { env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }

step "build dependencies"
scripts/install-deps.sh
step "build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)" >build/check-package-build.log 2>&1 ||
    { tail -n 50 build/check-package-build.log; exit 1; }
step "cpack -G DEB"
rm -f build/city-demo_*.deb
(cd build && cpack -G DEB >/dev/null)
set -- build/city-demo_*.deb
deb=$1
dpkg-deb -f "$deb" Package Version Architecture Depends
step "lintian"
if ! lintian --fail-on error "$deb" 2>/dev/null; then
    echo "check-package: lintian found errors in $deb" >&2
    exit 1
fi
echo "lintian: no errors"

runtime="libsdl2-2.0-0 libsdl2-mixer-2.0-0 libvulkan1 mesa-vulkan-drivers"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
if $throwaway; then
    step "removing the run-time libraries, so that apt must bring them back"
    # shellcheck disable=SC2086
    apt_get purge --auto-remove $runtime >/dev/null
    for p in $runtime; do
        if installed "$p"; then echo "still installed: $p"; exit 1; fi
    done
    echo "not installed now: $runtime"
fi

step "apt install ./$deb"
apt_get install --no-install-recommends "./$deb" >build/check-package-apt.log 2>&1 ||
    { cat build/check-package-apt.log; exit 1; }
awk '/^The following NEW packages/ { on = 1; print; next } on && /^  / { print; next } { on = 0 }' \
    build/check-package-apt.log
for p in city-demo $runtime; do
    installed "$p" || { echo "not installed after apt install: $p"; exit 1; }
done
echo "installed: city-demo and $runtime"
dpkg -L city-demo | sort >build/check-package-files

step "city-demo --version, --help, without a display"
echo "city-demo is $(command -v city-demo)"
city-demo --version
city-demo --help
status=0
env -u DISPLAY -u WAYLAND_DISPLAY city-demo || status=$?
[ "$status" -eq 1 ] || { echo "without a display: status $status, expected 1"; exit 1; }

step "city-demo from / under Xvfb"
xvfb-run -a -s "-screen 0 800x600x24 -noreset" tests/packaging/launch-check.sh city-demo 180

step "dpkg -r city-demo"
dpkg -r city-demo >/dev/null
left=0
while read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        # A shared folder: another package's, or holding other files.
        if [ -n "$(ls -A "$path")" ] || dpkg-query -S "$path" >/dev/null 2>&1; then
            continue
        fi
    fi
    echo "left behind: $path"
    left=$((left + 1))
done <build/check-package-files
echo "$(wc -l <build/check-package-files) paths were installed, $left left behind"
[ "$left" -eq 0 ]
step "passed"
