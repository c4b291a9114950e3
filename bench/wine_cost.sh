#!/bin/sh
# What the running meter costs under Wine: CPU time of gaugelet.exe over a
# stretch of running (from /proc/PID/stat) and its resident memory.
#   bench/wine_cost.sh [seconds]      (default 120; builds the mingw64 exe)
set -e
cd "$(dirname "$0")/.."
seconds=${1:-120}
cmake --preset mingw64 >/dev/null
cmake --build build/mingw64 --target gaugelet >/dev/null
exe="$PWD/build/mingw64/app/gaugelet.exe"

work="$PWD/build/mingw64/wine-cost"
rm -rf "$work"
tests/wine/prefix-init.sh "$work/prefix" "$exe" >/dev/null
export WINEPREFIX="$work/prefix"
wine="$PWD/tools/wine.sh"
display=:97
Xvfb $display -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap '"$wine" wineserver -k >/dev/null 2>&1; kill $xvfb 2>/dev/null' EXIT
sleep 1
DISPLAY=$display "$wine" "$exe" &

# wine runs the exe in a process of its own, whose command line is the
# exe's Windows path; the launcher's is not.
pid=""
for _ in $(seq 1 60); do
    pid=$(pgrep -f 'gaugelet\.exe' | while read -r p; do
        head -c 3 "/proc/$p/cmdline" 2>/dev/null | grep -q '^[A-Z]:\\' && echo "$p"; done | head -n 1)
    [ -n "$pid" ] && break
    sleep 0.5
done
[ -n "$pid" ] || { echo "gaugelet.exe did not start" >&2; exit 1; }

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
sleep 10  # start-up is not steady state
before=$(ticks)
sleep "$seconds"
after=$(ticks)
hz=$(getconf CLK_TCK)
rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
awk -v b="$before" -v a="$after" -v hz="$hz" -v s="$seconds" -v rss="$rss" 'BEGIN {
    cpu = (a - b) / hz
    printf "gaugelet.exe over %d s: %.2f s CPU, %.3f %% of one core; RSS %d KiB\n", s, cpu, 100 * cpu / s, rss
}'
