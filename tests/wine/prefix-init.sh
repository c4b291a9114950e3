#!/bin/sh
# Boots the Wine prefix that a build's tests start from, once, and gives a
# test a fresh copy of it: no crash dialog (a crash fails the test instead
# of hanging it), no Mono or Gecko prompts, no game-controller poller.
# Skipped where the build's programs cannot run.
#   prefix-init.sh TEMPLATE EXE [COPY]
template=${1:?usage: prefix-init.sh TEMPLATE EXE [COPY]}
wine="$(dirname "$0")/../../tools/wine.sh"
"$wine" --can-run "${2:?usage: prefix-init.sh TEMPLATE EXE [COPY]}" || exit $?
unset DISPLAY
fail() { echo "FAILED: $*" >&2; exit 1; }
if [ ! -f "$template/system.reg" ]; then
    export WINEPREFIX="$template"
    mkdir -p "$template" && timeout 300 "$wine" wineboot -i >"$template.boot.log" 2>&1
    timeout 60 "$wine" wineserver -w
    [ -f "$template/system.reg" ] || { rm -rf "$template"; fail "Wine could not boot a prefix in $template (see $template.boot.log)"; }
    set_dword() { "$wine" reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f >/dev/null 2>&1; }
    { set_dword 'HKCU\Software\Wine\WineDbg' ShowCrashDialog 0 &&
        set_dword 'HKLM\System\CurrentControlSet\Services\winebus' 'Enable SDL' 0 &&
        timeout 60 "$wine" wineserver -w; } || fail "Wine could not set up the prefix $template"
fi
[ $# -ge 3 ] || exit 0
# A copy in no time: hard links, but the hives, which Wine rewrites in
# place, copied for real.
copy=$3
rm -rf "$copy" && cp -al "$template" "$copy" || fail "cannot copy $template to $copy"
for hive in "$template"/*.reg; do
    cp --remove-destination "$hive" "$copy/" || fail "cannot copy $hive to $copy"
done
echo "wine prefix ready: $copy"
