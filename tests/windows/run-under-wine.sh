#!/bin/sh
# Runs a Windows program under Wine, in the Wine prefix given, under a virtual
# X display (a window needs one), quietly and without offering to install
# Wine's .NET and HTML engines.
#   run-under-wine.sh <wine-prefix> <program> [arguments...]
set -eu
WINEPREFIX=$1
shift
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" /usr/lib/wine/wine64 "$@"
