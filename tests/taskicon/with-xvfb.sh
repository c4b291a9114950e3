#!/bin/bash
# Runs a command with a display: the caller's, or a private Xvfb started for
# it (Wine's dialog windows need one). Exits 77 where Xvfb is missing.
if [ -z "$DISPLAY" ]; then
    command -v Xvfb >/dev/null || { echo "SKIPPED: the dialog test needs Xvfb" >&2; exit 77; }
    exec 3< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
    xvfb=$!
    read -r -t 20 number <&3 || { echo "FAILED: Xvfb gave no display" >&2; exit 1; }
    export DISPLAY=:$number
fi
# A server left from a run without display would serve a desktop without a tray.
wine="$(dirname "$0")/../../tools/wine.sh"
"$wine" wineserver -w 2>/dev/null
GAUGELET_KEEP_DISPLAY=1 "$@"
status=$?
"$wine" wineserver -w 2>/dev/null
[ -z "$xvfb" ] || kill "$xvfb"
exit $status
