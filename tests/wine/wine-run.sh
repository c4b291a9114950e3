#!/bin/sh
# Runs one Windows test program under Wine, without a display.
unset DISPLAY
exec "$(dirname "$0")/../../tools/wine.sh" "$@"
