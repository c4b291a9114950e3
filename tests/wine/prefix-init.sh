#!/bin/sh
# Creates the Wine prefix that a build's tests share: no crash dialog (a
# crash fails the test instead of hanging it), no Mono or Gecko prompts.
set -e
prefix=${1:?usage: prefix-init.sh PREFIX}
if ! command -v wine >/dev/null 2>&1; then
    echo "SKIPPED: wine is not installed; the Win32 tests need it" >&2
    exit 77
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
fi
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
echo "wine prefix ready: $prefix"
