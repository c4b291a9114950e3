#!/bin/bash
# What the meter costs under Wine, side by side in one run on one Xvfb
# display: against the floor Wine sets for any small tray program
# (timer_only.exe) and against xload; the meter idle on a one-frame skin,
# so that no load the machine makes can change its frame. Each program runs
# alone, in a fresh copy of one booted prefix; after a warm-up its CPU over
# the measuring window comes from the scheduler (every thread's schedstat)
# for the program and for every process of its Wine session, its memory as
# PSS. Then the cost of one frame change (the meter fed a load that flips
# every second, beside timer_only.exe flipping its icons), the time from
# launch to the first frame on screen, and what one sample costs inside the
# meter's process.
#   bench/wine_cost.sh [SECONDS [WARMUP]]     (60 and 10; builds the mingw64 exes)
# Exits non-zero when a program does not start or a figure cannot be read.
set -u
cd "$(dirname "$0")/.." || exit 1
seconds=${1:-60}
warmup=${2:-10}
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
[[ $seconds =~ ^[1-9][0-9]*$ && $warmup =~ ^[0-9]+$ ]] ||
    fail "usage: bench/wine_cost.sh [SECONDS [WARMUP]], whole seconds"
for tool in Xvfb xload xdotool xwd convert; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is not installed (tools/install-deps.sh; xload is in x11-apps)"
done

cmake --preset mingw64 >/dev/null &&
    cmake --build build/mingw64 --target gaugelet timer_only dyn_feed sample_cost >/dev/null ||
    fail "the mingw64 build failed"
build="$PWD/build/mingw64"
meter_exe="$build/app/gaugelet.exe"
timer_exe="$build/bench/timer_only.exe"
feed_exe="$build/bench/dyn_feed.exe"
sample_exe="$build/bench/sample_cost.exe"
wine="$PWD/tools/wine.sh"
work="$build/wine-cost"
mkdir -p "$work" || fail "cannot make $work"

prefix=""
launchers=""
xvfb=""
xload_pid=""
cleanup() {
    [ -n "$prefix" ] && WINEPREFIX="$prefix" timeout 20 "$wine" wineserver -k >/dev/null 2>&1
    [ -n "$xload_pid" ] && kill "$xload_pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

tests/wine/prefix-init.sh "$work/template" "$meter_exe" >/dev/null ||
    fail "cannot set up the Wine prefix $work/template"

fifo="$work/displayfd"
rm -f "$fifo" && mkfifo "$fifo" || fail "cannot make $fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 20 display_number <"$fifo"
rm -f "$fifo"
[ -n "${display_number:-}" ] || fail "Xvfb gave no display number (see $work/xvfb.log)"
export DISPLAY=":$display_number"

# A fresh prefix for one program: hard links, but the registry files, which
# Wine rewrites in place, copied for real.
fresh_prefix() {
    prefix="$work/$1"
    rm -rf "$prefix"
    cp -al "$work/template" "$prefix" || fail "cannot copy the prefix to $prefix"
    local hive
    for hive in "$work/template"/*.reg; do
        rm -f "$prefix/${hive##*/}" && cp "$hive" "$prefix/" || fail "cannot copy $hive"
    done
}

in_prefix() { WINEPREFIX="$prefix" timeout 60 "$wine" "$@"; }

reg_add() {
    in_prefix reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || fail "wine reg add $1 $2 failed"
}

# Every process started for the prefix carries it in its environment; this
# script does not, so only Wine's own processes and the program's match.
session_pids() {
    grep -s -l -z -x -F "WINEPREFIX=$prefix" /proc/[0-9]*/environ | cut -d/ -f3
}

# Wine names each process after its exe (the kernel keeps 15 characters);
# start.exe or the launcher, where they run, go by other names.
windows_pid() {
    local pid name=${1:0:15}
    for pid in $(session_pids); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ] && echo "$pid"
    done | head -n 1
}

# "T pid tid ns" for every thread of a process: its run time from the scheduler.
thread_ns() {
    awk -v pid="$1" '{ n = split(FILENAME, part, "/"); print "T", pid, part[n - 1], $1 }' \
        /proc/"$1"/task/*/schedstat 2>/dev/null | grep .
}

pss_kib() { awk '/^Pss:/ { print $2; found = 1 } END { exit !found }' "/proc/$1/smaps_rollup" 2>/dev/null; }

# "P pid role pss" for each process, then its threads; the X server last.
snapshot() {
    local own=$1 pid role threads pss pids
    pids=$own
    [ -n "$prefix" ] && pids=$(session_pids)
    for pid in $pids; do
        threads=$(thread_ns "$pid") && pss=$(pss_kib "$pid") || continue
        role=other
        if [ "$pid" = "$own" ]; then
            role=own
        elif grep -q '^wineserver' "/proc/$pid/comm" 2>/dev/null; then
            role=wineserver
        elif [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = explorer.exe ]; then
            role=explorer
        fi
        printf 'P %s %s %s\n%s\n' "$pid" "$role" "$pss" "$threads"
    done
    threads=$(thread_ns "$xvfb") || return 1
    printf 'P %s xserver 0\n%s\n' "$xvfb" "$threads"
}

# "own wineserver explorer session xserver own_pss session_pss" over the
# window, CPU in ms per minute, counted thread by thread: a thread born in
# the window counts whole, one that ended in it takes its time with it (the
# scheduler keeps no figure for it). A process that ends in the window
# fails the measurement.
measure() {
    local own=$1 name=$2 before after
    sleep "$warmup"
    before=$(snapshot "$own") || return 1
    sleep "$seconds"
    after=$(snapshot "$own") || return 1
    printf '%s\n--\n%s\n' "$before" "$after" | awk -v s="$seconds" -v name="$name" '
        $1 == "--" { late = 1; next }
        !late && $1 == "P" { existed[$2] = 1; next }
        !late { start[$3] = $4; next }
        $1 == "P" {
            seen[$2] = 1
            role[$2] = $3
            if ($3 != "xserver") { pss += $4 }
            if ($3 == "own") { ownpss = $4 }
            next
        }
        { used[$2] += ($4 - ($3 in start ? start[$3] : 0)) / 1e6 * 60 / s }
        END {
            for (p in existed) if (!seen[p]) { print name ": process " p " ended in the window" > "/dev/stderr"; bad = 1 }
            for (p in used) {
                cpu[role[p]] += used[p]
                if (role[p] != "xserver") { session += used[p] }
            }
            if (!("own" in cpu)) { print name ": its own process is gone" > "/dev/stderr"; bad = 1 }
            if (bad) exit 1
            printf "%.1f %.1f %.1f %.1f %.1f %d %d\n", cpu["own"], cpu["wineserver"], cpu["explorer"],
                session, cpu["xserver"], ownpss, pss
        }'
}

# One RRGGBB line per pixel of an X window.
window_colours() {
    timeout 10 xwd -id "$1" -silent 2>/dev/null | timeout 10 convert xwd:- -depth 8 txt:- 2>/dev/null |
        awk '!/^#/ { for (i = 2; i <= NF; i++) if (substr($i, 1, 1) == "#" && length($i) >= 7) { print toupper(substr($i, 2, 6)); break } }'
}

visible_window() { xdotool search --onlyvisible "$@" 2>/dev/null | head -n 1; }

xload_mapped() { [ -n "$(visible_window --classname '^xload$')" ]; }

# A window of that title that shows anything but the button face it keys out.
shows_icon() {
    local id
    id=$(visible_window --name "^$1\$") && [ -n "$id" ] || return 1
    window_colours "$id" | grep -q -v -x -e F5F5F5 -e 000000
}

now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

# Polls every 50 ms for at most 60 s; prints the seconds since START.
time_until() {
    local start=$1
    shift
    local end=$((SECONDS + 60))
    until "$@"; do
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.05
    done
    elapsed "$start"
}

# Starts an exe in the current prefix; sets started_pid to its own process
# and startup to the seconds until TITLE's window shows its icon.
start_wine_program() {
    local exe=$1 title=$2 start
    shift 2
    start=$(now)
    WINEPREFIX="$prefix" "$wine" "$exe" "$@" >>"$prefix.log" 2>&1 &
    launchers="$launchers $!"
    startup=$(time_until "$start" shows_icon "$title") || fail "${exe##*/} showed no icon within 60 s (see $prefix.log)"
    started_pid=$(windows_pid "${exe##*/}")
    [ -n "$started_pid" ] || fail "no process of ${exe##*/} under Wine"
}

stop_session() {
    local pids pid waited=0
    in_prefix wineserver -k >/dev/null 2>&1
    while pids=$(session_pids) && [ -n "$pids" ]; do
        [ "$waited" -ge 100 ] && fail "Wine's processes in $prefix outlived wineserver -k: $pids"
        sleep 0.2
        waited=$((waited + 1))
    done
    for pid in $launchers; do
        wait "$pid" 2>/dev/null
    done
    launchers=""
    rm -rf "$prefix"
    prefix=""
}

settle_meter_settings() {
    reg_add 'HKCU\Software\Brindleworks\Gaugelet' Desktop REG_DWORD 1
}

# The built-in skin's first frame alone, so that the idle meter's frame
# cannot change whatever load the machine makes meanwhile: what it costs to
# change frames is measured on its own below.
one_frame_skin() {
    convert res/skin130.bmp -crop 16x16+0+0 +repage -type TrueColor "BMP3:$prefix/drive_c/idle.bmp" ||
        fail "cannot make the one-frame skin"
    reg_add 'HKCU\Software\Brindleworks\Gaugelet' Skin REG_SZ 'C:\idle.bmp'
}

win98_settings() {
    reg_add 'HKCU\Software\Wine\AppDefaults\gaugelet.exe' Version REG_SZ win98
    in_prefix reg add 'HKLM\System\CurrentControlSet\Control\PerfStats\Enum\KERNEL\CPUUsage' /f \
        >/dev/null 2>&1 || fail "cannot announce the 9x statistic"
}

green_pixels() {
    local id
    id=$(visible_window --name '^Gaugelet$') && [ -n "$id" ] || return 1
    window_colours "$id" | grep -c -x 00FF00
}

# Frame 11 lights 110 pixels pure green, frame 0 none: both must show.
meter_flips() {
    local full=0 empty=0 green end=$((SECONDS + 5))
    while [ "$SECONDS" -lt "$end" ]; do
        green=$(green_pixels)
        [ "${green:-}" = 110 ] && full=1
        [ "${green:-}" = 0 ] && empty=1
        [ $((full + empty)) -eq 2 ] && return 0
        sleep 0.2
    done
    return 1
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

echo "xload ..." >&2
start=$(now)
xload -update 1 >"$work/xload.log" 2>&1 &
xload_pid=$!
startup_xload=$(time_until "$start" xload_mapped) || fail "xload showed no window"
result_xload=$(measure "$xload_pid" xload) || fail "no figures for xload"
kill "$xload_pid" && wait "$xload_pid" 2>/dev/null
xload_pid=""

echo "timer_only.exe ..." >&2
fresh_prefix timer
start_wine_program "$timer_exe" TimerOnly
startup_timer=$startup
result_timer=$(measure "$started_pid" timer_only) || fail "no figures for timer_only.exe"
stop_session

echo "gaugelet.exe ..." >&2
fresh_prefix meter
settle_meter_settings
one_frame_skin
start_wine_program "$meter_exe" Gaugelet
startup_meter=$startup
result_meter=$(measure "$started_pid" gaugelet) || fail "no figures for gaugelet.exe"
stop_session

echo "timer_only.exe flip ..." >&2
fresh_prefix timer-flip
start_wine_program "$timer_exe" TimerOnly flip
result_timer_flip=$(measure "$started_pid" "timer_only flip") || fail "no figures for timer_only.exe flip"
stop_session

# The meter in 9x mode, once on a steady load and once on one that flips
# every second: the difference is what the frame changes cost.
for feed in "0 0" "0 100"; do
    echo "gaugelet.exe win98, load $feed ..." >&2
    fresh_prefix "meter-fed"
    settle_meter_settings
    win98_settings
    WINEPREFIX="$prefix" "$wine" "$feed_exe" $feed >>"$prefix.log" 2>&1 &
    launchers="$launchers $!"
    start_wine_program "$meter_exe" Gaugelet
    if [ "$feed" = "0 100" ]; then
        meter_flips || fail "the fed meter does not show frames 0 and 11 in turn"
    fi
    figures=$(measure "$started_pid" "gaugelet fed $feed") || fail "no figures for the fed gaugelet.exe"
    [ "$feed" = "0 0" ] && result_meter_steady=$figures || result_meter_fed=$figures
    stop_session
done

echo "sample_cost.exe ..." >&2
fresh_prefix sample
sample_costs=$(in_prefix "$sample_exe" 2>>"$prefix.log") || fail "sample_cost.exe failed (see $prefix.log)"
stop_session
cost_of() { awk -v name="$1" '$1 == name { print $2; found = 1 } END { exit !found }' <<<"$sample_costs"; }
sample_us=$(cost_of sample) && times_us=$(cost_of processor_times) && message_us=$(cost_of message) ||
    fail "sample_cost.exe printed no figures"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

printf '%s|%s\n' \
    xload "$result_xload" timer_only.exe "$result_timer" gaugelet.exe "$result_meter" \
    "timer_only.exe flip" "$result_timer_flip" "gaugelet.exe 98 steady" "$result_meter_steady" \
    "gaugelet.exe 98 fed" "$result_meter_fed" |
    awk -F'|' -v s="$seconds" -v w="$warmup" -v load="$load_before -> $load_after" \
        -v cores="$(nproc)" -v up_xload="$startup_xload" -v up_timer="$startup_timer" -v up_meter="$startup_meter" \
        -v sample_us="$sample_us" -v times_us="$times_us" -v message_us="$message_us" '
    function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
    function goal(r) { return r != "-" && r + 0 <= 1.2 ? "met" : "NOT met" }
    {
        name[NR] = $1
        split($2, f, " ")
        own[NR] = f[1]; ws[NR] = f[2]; ex[NR] = f[3]; ses[NR] = f[4]; xs[NR] = f[5]
        opss[NR] = f[6]; spss[NR] = f[7]
    }
    END {
        printf "CPU in ms per minute over %d s after %d s of warm-up; PSS in KiB at the end;\n", s, w
        printf "machine load (1, 5, 15 min) %s; %d cores\n\n", load, cores
        printf "| program | own CPU | wineserver | session CPU | X server | own PSS | session PSS |\n"
        printf "|---|---:|---:|---:|---:|---:|---:|\n"
        for (i = 1; i <= NR; i++)
            printf "| %s | %.1f | %s | %.1f | %.1f | %d | %d |\n", name[i], own[i],
                i == 1 ? "-" : sprintf("%.1f", ws[i]), ses[i], xs[i], opss[i], spss[i]
        ro = ratio(own[3], own[2]); rs = ratio(ses[3], ses[2])
        printf "\n| gaugelet.exe against | own CPU | session CPU |\n|---|---:|---:|\n"
        printf "| timer_only.exe (goal <= 1.2) | %s, %s | %s, %s |\n", ro, goal(ro), rs, goal(rs)
        printf "| xload | %s | %s |\n", ratio(own[3], own[1]), ratio(ses[3], ses[1])

        printf "\nOne frame change, ms of CPU (the difference to the same program with nothing changing, over %d changes)\n\n", s
        printf "| program | own | wineserver | explorer.exe | X server | together |\n|---|---:|---:|---:|---:|---:|\n"
        split("4 2 6 5", pair, " ")
        for (k = 1; k <= 3; k += 2) {
            # ms a minute, one change a second
            a = pair[k]; b = pair[k + 1]
            d1 = (own[a] - own[b]) / 60; d2 = (ws[a] - ws[b]) / 60
            d3 = (ex[a] - ex[b]) / 60; d4 = (xs[a] - xs[b]) / 60
            total[k] = d1 + d2 + d3 + d4
            printf "| %s | %.2f | %.2f | %.2f | %.2f | %.2f |\n", name[a], d1, d2, d3, d4, total[k]
        }
        printf "\ngaugelet.exe / timer_only.exe per frame change: %s\n", ratio(total[3], total[1])
        printf "\nFirst frame on screen after launch: xload %s s (window mapped), timer_only.exe %s s, gaugelet.exe %s s (window shows its icon)\n",
            up_xload, up_timer, up_meter
        printf "\nOne steady sample inside the meter, microseconds (median of 101 calls, each after a 50 ms pause)\n\n"
        printf "| one sample by the meter | of it, the Wine call for processor times | one message through the queue |\n|---:|---:|---:|\n"
        printf "| %.1f | %.1f | %.1f |\n", sample_us, times_us, message_us
        printf "\nOnce a second the sample costs %.1f ms a minute, %s times the own CPU of timer_only.exe; the Wine call alone %s times.\n",
            sample_us * 60 / 1000, ratio(sample_us * 60 / 1000, own[2]), ratio(times_us * 60 / 1000, own[2])
    }'
