#!/bin/sh
# Creates the Wine prefix that a build's tests share: no crash dialog (a
# crash fails the test instead of hanging it), no Mono or Gecko prompts, no
# game-controller poller. Skipped where the build's programs cannot run.
#   prefix-init.sh PREFIX EXE
prefix=${1:?usage: prefix-init.sh PREFIX EXE}
wine="$(dirname "$0")/../../tools/wine.sh"
"$wine" --can-run "${2:?usage: prefix-init.sh PREFIX EXE}" || exit $?
export WINEPREFIX="$prefix"
unset DISPLAY
fail() { echo "FAILED: $*" >&2; exit 1; }
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix" && timeout 300 "$wine" wineboot -i >"$prefix.boot.log" 2>&1
    timeout 60 "$wine" wineserver -w
    [ -f "$prefix/system.reg" ] || { rm -rf "$prefix"; fail "Wine could not boot a prefix in $prefix (see $prefix.boot.log)"; }
fi
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
    "$wine" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
    "$wine" wineserver -w || fail "Wine could not set up the prefix $prefix"
echo "wine prefix ready: $prefix"
