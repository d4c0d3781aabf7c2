#!/bin/sh
# Installs the Debian 12 packages for what is asked:
#   scripts/install-deps.sh demo   building the demo and running it (under a
#                                  virtual X display where there is none)
#   scripts/install-deps.sh [all]  everything the tests need as well: the test
#                                  and benchmark libraries, the X tools and
#                                  ImageMagick of the window tests, ffmpeg for
#                                  CityCapture's videos, clang for the fuzzer,
#                                  MinGW-w64 and Wine for the Windows build,
#                                  lintian for the package, git for the commit
#                                  time its reproducibility check builds with
# Idempotent: when everything is present it changes nothing and runs no
# `apt-get update`. Works as root or through sudo.
set -eu

DEMO_PACKAGES="
  g++ make cmake pkg-config
  directx-headers-dev
  libvulkan-dev mesa-vulkan-drivers
  libsdl2-dev libsdl2-mixer-dev libx11-dev libxcb-shm0-dev
  libshaderc-dev glslang-dev spirv-tools spirv-headers
  libglm-dev
  lame libsquish-dev libpng-dev
  xvfb xauth
"
TEST_PACKAGES="
  vulkan-validationlayers
  libgtest-dev libbenchmark-dev
  xfonts-base xdotool x11-utils
  clang libclang-rt-14-dev
  imagemagick
  ffmpeg
  g++-mingw-w64-x86-64-posix wine64 zip unzip
  dpkg-dev file lintian git
"

# Test only: the desktops of the desktop tests (tests/ShapesApp/DesktopRunTests.cpp)
# and the music of the Windows build under Wine.
#   openbox                 an X11 window manager
#   sway grim wtype jq      Wayland: sway's headless back end, its screenshots,
#                           a virtual keyboard, reading its window tree
#   libwayland-dev          the tests' virtual pointer (wayland-scanner, client library)
#   mangohud                the performance overlay, a Vulkan layer
#   gstreamer1.0-plugins-good  MP3 through Wine's MCI (mpegaudioparse, mpg123audiodec);
#                           libwine only recommends it, and recommends are not installed
TEST_PACKAGES="$TEST_PACKAGES
  openbox
  sway grim wtype jq
  libwayland-dev
  mangohud
  gstreamer1.0-plugins-good
"

case ${1:-all} in
demo) PACKAGES=$DEMO_PACKAGES ;;
all) PACKAGES="$DEMO_PACKAGES $TEST_PACKAGES" ;;
*)
    echo "install-deps: installs for 'demo' or 'all' (the default), not '$1'" >&2
    exit 2
    ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-deps: missing packages:$missing" >&2
    echo "install-deps: run this script as root, or install sudo" >&2
    exit 1
fi

echo "install-deps: installing$missing"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
