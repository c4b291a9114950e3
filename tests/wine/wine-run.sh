#!/bin/sh
# Runs one Windows test program under Wine, without a display unless the
# caller gives one; exits 77 (skipped) where Wine is missing.
if ! command -v wine >/dev/null 2>&1; then
    echo "SKIPPED: wine is not installed; the Win32 tests need it" >&2
    exit 77
fi
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEDEBUG WINEDLLOVERRIDES
[ -n "$GAUGELET_KEEP_DISPLAY" ] || unset DISPLAY
exec wine "$@"
