#!/bin/bash
# Sets up and runs the meter under Wine. With a display it runs until you
# choose Exit from its menu; without one it runs under Xvfb for a while and
# writes a magnified picture of the notification area and the meter window.
#   tools/run.sh [machine]        GAUGELET_SECONDS=20 for the headless run
set -u
cd "$(dirname "$0")/.."
fail() {
    echo "tools/run.sh: $*" >&2
    exit 1
}
tools/install-deps.sh || fail "could not install what the meter needs; see the apt messages above"
{ cmake --preset mingw64 >/dev/null && cmake --build build/mingw64 --target gaugelet -j "$(nproc)"; } ||
    fail "the build of gaugelet.exe failed; see the compiler's messages above"
exe="$PWD/build/mingw64/app/gaugelet.exe"
wine="$PWD/tools/wine.sh"
"$wine" --can-run "$exe" 2>/dev/null ||
    fail "Wine cannot start here; install it with: sudo apt-get install wine wine64"

# A prefix of the meter's own keeps its settings between runs and leaves the
# user's default prefix alone.
data="${XDG_DATA_HOME:-$HOME/.local/share}/gaugelet"
export WINEPREFIX="$data/wineprefix"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX" || fail "cannot make $WINEPREFIX"
    echo "Setting up a Wine prefix for the meter in $WINEPREFIX (about half a minute)"
    DISPLAY='' timeout 300 "$wine" wineboot -i >"$data/wineboot.log" 2>&1
    timeout 60 "$wine" wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] ||
        fail "Wine could not boot a prefix in $WINEPREFIX (see $data/wineboot.log); remove that folder and try again"
    # Wine's game-controller poller alone costs a hundred times the meter.
    "$wine" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1
    "$wine" wineserver -w
fi

if [ -n "${DISPLAY:-}" ]; then
    exec "$wine" "$exe" "$@"
fi

command -v Xvfb >/dev/null 2>&1 ||
    fail "there is no display and Xvfb is missing; install it with: sudo apt-get install xvfb"
seconds=${GAUGELET_SECONDS:-20}
picture="$data/screenshot.png"
work=$(mktemp -d) || fail "cannot make a temporary folder"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap '"$wine" wineserver -k >/dev/null 2>&1; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 50); do
    [ -s "$work/display" ] && break
    sleep 0.2
done
[ -s "$work/display" ] || fail "Xvfb did not start; is another X server holding every display?"
export DISPLAY=":$(head -n 1 "$work/display")"

echo "No display: running the meter under Xvfb for $seconds seconds"
"$wine" "$exe" "$@" &
meter=$!
sleep "$seconds"
kill -0 "$meter" 2>/dev/null || { wait "$meter"; fail "the meter ended early with status $?"; }

# The notification area and, when shown, the meter window, each cut out of
# the screen and magnified 8 times with every pixel kept sharp.
xwd -root -silent | convert xwd:- "$work/screen.png" || fail "cannot take a screenshot"
parts=()
for name in 'Wine System Tray' 'Gaugelet'; do
    id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] || continue
    eval "$(xdotool getwindowgeometry --shell "$id")"
    part="$work/part${#parts[@]}.png"
    convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
        -filter point -resize 800% -bordercolor '#404040' -border 8 "$part" && parts+=("$part")
done
[ "${#parts[@]}" -gt 0 ] || fail "neither the notification area nor the meter window is on screen"
convert "${parts[@]}" -background '#404040' -gravity center +append "$picture" ||
    fail "cannot write $picture"
echo "The meter, magnified 8 times: $picture"
