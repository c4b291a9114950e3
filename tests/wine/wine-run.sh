#!/bin/sh
# Runs one Windows test program under Wine, without a display unless the
# caller gives one.
[ -n "$GAUGELET_KEEP_DISPLAY" ] || unset DISPLAY
exec "$(dirname "$0")/../../tools/wine.sh" "$@"
