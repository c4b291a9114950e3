#!/bin/sh
# Sets up and runs the meter under Wine. With a display it runs until you
# choose Exit from its menu; without one it runs under Xvfb for a while and
# writes a screenshot.
#   tools/run.sh [machine]        GAUGELET_SECONDS=20 for the headless run
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset mingw64 >/dev/null
cmake --build build/mingw64 --target gaugelet -j "$(nproc)"
exe="$PWD/build/mingw64/app/gaugelet.exe"

# A prefix of the meter's own keeps its settings between runs and leaves the
# user's default prefix alone.
data="${XDG_DATA_HOME:-$HOME/.local/share}/gaugelet"
export WINEPREFIX="$data/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    DISPLAY= wineboot -i >/dev/null 2>&1
    # Wine's game-controller poller alone costs a hundred times the meter.
    wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
fi

if [ -n "$DISPLAY" ]; then
    exec wine "$exe" "$@"
fi

seconds=${GAUGELET_SECONDS:-20}
shot="$data/screenshot.png"
display=:93
Xvfb $display -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k >/dev/null 2>&1; kill $xvfb 2>/dev/null' EXIT
sleep 1
echo "No display: running the meter under Xvfb for $seconds seconds"
DISPLAY=$display wine "$exe" "$@" &
sleep "$seconds"
DISPLAY=$display xwd -root -silent | convert xwd:- "$shot"
echo "Screenshot of the meter: $shot"
