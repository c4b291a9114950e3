#!/bin/sh
# Runs a command with a display: the caller's, or a private Xvfb started for
# it (Wine's dialog windows need one). Exits 77 where Xvfb is missing.
if [ -z "$DISPLAY" ]; then
    if ! command -v Xvfb >/dev/null 2>&1; then
        echo "SKIPPED: Xvfb is not installed; the dialog test needs a display" >&2
        exit 77
    fi
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb=$!
    read -r number <"$fifo"
    rm -f "$fifo"
    DISPLAY=":$number"
    export DISPLAY
fi
GAUGELET_KEEP_DISPLAY=1
export GAUGELET_KEEP_DISPLAY
# A server left from a run without display would serve a desktop without a tray.
wine="$(dirname "$0")/../../tools/wine.sh"
"$wine" wineserver -w 2>/dev/null
"$@"
status=$?
"$wine" wineserver -w 2>/dev/null
[ -n "$xvfb" ] && kill "$xvfb"
exit $status
