#!/bin/bash
# What the meter costs under Wine, side by side in one run on one Xvfb
# display, against the floors Wine sets for a small tray program
# (timer_only.exe: doing nothing; reading the processor times each tick, as
# any CPU meter must, the fair floor; holding a hidden dialog from a
# template, the dialog floor) and against xload; the meter idle on a
# one-frame skin, so that no load the machine makes can change its frame.
# Each program runs alone, in a fresh copy of one booted prefix, ROUNDS
# times; after a warm-up its CPU over the measuring window comes from the
# scheduler (every thread's schedstat) for the program and for every
# process of its Wine session, its memory as PSS and USS (private); the
# median of the rounds is shown, the spread beside it. Then the cost of one
# frame change (the meter fed a load that flips every second, beside
# timer_only.exe flipping its icons), the time from launch to the first
# frame on screen of the meter and to the first icon of the timer program,
# each launched LAUNCHES times after the same preparation, and what one
# sample costs inside the meter's process.
#   bench/wine_cost.sh [SECONDS [WARMUP [ROUNDS [LAUNCHES]]]]
#       (60, 10, 3 and 5; builds the mingw64 exes)
# Exits non-zero when a program does not start or a figure cannot be read.
set -u
cd "$(dirname "$0")/.." || exit 1
seconds=${1:-60}
warmup=${2:-10}
rounds=${3:-3}
launches=${4:-5}
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
[[ $seconds =~ ^[1-9][0-9]*$ && $warmup =~ ^[0-9]+$ && $rounds =~ ^[1-9][0-9]*$ && $launches =~ ^[1-9][0-9]*$ ]] ||
    fail "usage: bench/wine_cost.sh [SECONDS [WARMUP [ROUNDS [LAUNCHES]]]], whole numbers"
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

# "PSS USS" in KiB.
memory_kib() {
    awk '/^Pss:/ { pss = $2; found = 1 } /^Private_(Clean|Dirty):/ { uss += $2 } END { print pss, uss; exit !found }' \
        "/proc/$1/smaps_rollup" 2>/dev/null
}

# "P pid role pss uss" for each process, then its threads; the X server last.
snapshot() {
    local own=$1 pid role threads memory pids
    pids=$own
    [ -n "$prefix" ] && pids=$(session_pids)
    for pid in $pids; do
        threads=$(thread_ns "$pid") && memory=$(memory_kib "$pid") || continue
        role=other
        if [ "$pid" = "$own" ]; then
            role=own
        elif grep -q '^wineserver' "/proc/$pid/comm" 2>/dev/null; then
            role=wineserver
        elif [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = explorer.exe ]; then
            role=explorer
        fi
        printf 'P %s %s %s\n%s\n' "$pid" "$role" "$memory" "$threads"
    done
    threads=$(thread_ns "$xvfb") || return 1
    printf 'P %s xserver 0 0\n%s\n' "$xvfb" "$threads"
}

# "own wineserver explorer session xserver own_pss session_pss own_uss" over the
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
            if ($3 == "own") { ownpss = $4; ownuss = $5 }
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
            printf "%.1f %.1f %.1f %.1f %.1f %d %d %d\n", cpu["own"], cpu["wineserver"], cpu["explorer"],
                session, cpu["xserver"], ownpss, pss, ownuss
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

# Appends to VAR one line of figures for each of ROUNDS runs of an idle
# program, each in a fresh prefix prepared by PREPARE.
idle_rounds() {
    local var=$1 label=$2 exe=$3 title=$4 prepare=$5 round figures
    shift 5
    for ((round = 1; round <= rounds; round++)); do
        echo "$label, round $round of $rounds ..." >&2
        fresh_prefix idle
        $prepare
        start_wine_program "$exe" "$title" "$@"
        figures=$(measure "$started_pid" "$label") || fail "no figures for $label"
        printf -v "$var" '%s%s\n' "${!var}" "$figures"
        stop_session
    done
}
as_it_is() { :; }
idle_meter() { settle_meter_settings && one_frame_skin; }
rounds_timer="" rounds_times="" rounds_dialog="" rounds_meter=""
idle_rounds rounds_timer timer_only.exe "$timer_exe" TimerOnly as_it_is
idle_rounds rounds_times "timer_only.exe times" "$timer_exe" TimerOnly as_it_is times
idle_rounds rounds_dialog "timer_only.exe dialog" "$timer_exe" TimerOnly as_it_is dialog
idle_rounds rounds_meter gaugelet.exe "$meter_exe" Gaugelet idle_meter

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

# LAUNCHES launches of each after the same preparation: a fresh prefix and
# the meter's settings written just before, which wakes the prefix's
# wineserver; seconds to the timer program's icon and to the meter's first
# frame on the built-in skin.
startup_times() {
    local var=$1 exe=$2 title=$3 launch
    for ((launch = 1; launch <= launches; launch++)); do
        echo "${exe##*/}, launch $launch of $launches ..." >&2
        fresh_prefix launch
        settle_meter_settings
        start_wine_program "$exe" "$title"
        printf -v "$var" '%s %s' "${!var}" "$startup"
        stop_session
    done
}
startups_timer="" startups_meter=""
startup_times startups_timer "$timer_exe" TimerOnly
startup_times startups_meter "$meter_exe" Gaugelet

echo "sample_cost.exe ..." >&2
fresh_prefix sample
sample_costs=$(in_prefix "$sample_exe" 2>>"$prefix.log") || fail "sample_cost.exe failed (see $prefix.log)"
stop_session
cost_of() { awk -v name="$1" '$1 == name { print $2; found = 1 } END { exit !found }' <<<"$sample_costs"; }
sample_us=$(cost_of sample) && times_us=$(cost_of processor_times) && message_us=$(cost_of message) ||
    fail "sample_cost.exe printed no figures"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# One block a program: "NAME" then its figure lines, one per round.
{
    printf '= xload\n%s\n' "$result_xload"
    printf '= timer_only.exe\n%s' "$rounds_timer"
    printf '= timer_only.exe times (fair floor)\n%s' "$rounds_times"
    printf '= timer_only.exe dialog (dialog floor)\n%s' "$rounds_dialog"
    printf '= gaugelet.exe\n%s' "$rounds_meter"
    printf '= timer_only.exe flip\n%s\n' "$result_timer_flip"
    printf '= gaugelet.exe 98 steady\n%s\n' "$result_meter_steady"
    printf '= gaugelet.exe 98 fed\n%s\n' "$result_meter_fed"
} | awk -v s="$seconds" -v w="$warmup" -v r="$rounds" -v load="$load_before -> $load_after" \
    -v cores="$(nproc)" -v up_xload="$startup_xload" -v up_timer="$startups_timer" -v up_meter="$startups_meter" \
    -v sample_us="$sample_us" -v times_us="$times_us" -v message_us="$message_us" '
    function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
    function goal(x, limit) { return x != "-" && x + 0 <= limit ? "met" : "NOT met" }
    # The median of the values in v[1..n], and "min-max" in spread.
    function median(v, n,   i, j, t) {
        for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
        spread = n > 1 ? sprintf("%g-%g", v[1], v[n]) : ""
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function medians(text,   line, n, i, c, v, field) {
        n = split(text, line, "\n")
        for (c = 1; c <= 8; c++) {
            delete v
            for (i = 1; i <= n; i++) { split(line[i], field, " "); v[i] = field[c] }
            m[p, c] = median(v, n); sp[p, c] = spread
        }
    }
    $1 == "=" { if (p) medians(block[p]); p++; name[p] = substr($0, 3); next }
    NF { block[p] = block[p] (block[p] == "" ? "" : "\n") $0 }
    END {
        medians(block[p])
        printf "CPU in ms per minute over %d s after %d s of warm-up, the median of %d rounds (spread beside it) where\n", s, w, r
        printf "a program ran more than once; memory in KiB at the end, PSS and USS (private);\n"
        printf "machine load (1, 5, 15 min) %s; %d cores\n\n", load, cores
        printf "| program | own CPU | wineserver | session CPU | X server | own PSS | own USS | session PSS |\n"
        printf "|---|---:|---:|---:|---:|---:|---:|---:|\n"
        for (i = 1; i <= p; i++)
            printf "| %s | %.1f %s | %s | %.1f %s | %.1f | %d | %d | %d |\n", name[i], m[i, 1],
                sp[i, 1] ? "(" sp[i, 1] ")" : "", i == 1 ? "-" : sprintf("%.1f", m[i, 2]), m[i, 4],
                sp[i, 4] ? "(" sp[i, 4] ")" : "", m[i, 5], m[i, 6], m[i, 8], m[i, 7]
        # 2 timer, 3 fair floor, 4 dialog floor, 5 meter
        ro = ratio(m[5, 1], m[3, 1]); rs = ratio(m[5, 4], m[3, 4]); ru = ratio(m[5, 8], m[4, 8])
        printf "\n| gaugelet.exe against | own CPU | session CPU | own USS |\n|---|---:|---:|---:|\n"
        printf "| the fair floor, timer_only.exe times | %s (goal <= 1.1, %s) | %s (goal <= 1.05, %s) | %s |\n",
            ro, goal(ro, 1.1), rs, goal(rs, 1.05), ratio(m[5, 8], m[3, 8])
        printf "| the dialog floor, timer_only.exe dialog | %s | %s | %s (goal <= 1.3, %s) |\n",
            ratio(m[5, 1], m[4, 1]), ratio(m[5, 4], m[4, 4]), ru, goal(ru, 1.3)
        printf "| timer_only.exe | %s | %s | %s |\n", ratio(m[5, 1], m[2, 1]), ratio(m[5, 4], m[2, 4]), ratio(m[5, 8], m[2, 8])
        printf "| xload | %s | %s | - |\n", ratio(m[5, 1], m[1, 1]), ratio(m[5, 4], m[1, 4])

        printf "\nOne frame change, ms of CPU (the difference to the same program with nothing changing, over %d changes)\n\n", s
        printf "| program | own | wineserver | explorer.exe | X server | together |\n|---|---:|---:|---:|---:|---:|\n"
        split("6 2 8 7", pair, " ")
        for (k = 1; k <= 3; k += 2) {
            a = pair[k]; b = pair[k + 1]
            d1 = (m[a, 1] - m[b, 1]) / 60; d2 = (m[a, 2] - m[b, 2]) / 60
            d3 = (m[a, 3] - m[b, 3]) / 60; d4 = (m[a, 5] - m[b, 5]) / 60
            total[k] = d1 + d2 + d3 + d4
            printf "| %s | %.2f | %.2f | %.2f | %.2f | %.2f |\n", name[a], d1, d2, d3, d4, total[k]
        }
        printf "\ngaugelet.exe / timer_only.exe per frame change: %s\n", ratio(total[3], total[1])

        nt = split(up_timer, ut, " "); nm = split(up_meter, um, " ")
        mt = median(ut, nt); st = spread; mm = median(um, nm); sm = spread
        printf "\nFirst on screen after launch, seconds, the median of %d launches each after the same preparation:\n", nt
        printf "timer_only.exe its icon %.2f (%s); gaugelet.exe its first frame %.2f (%s), which comes at its second tick;\n", mt, st, mm, sm
        printf "xload its window %s. gaugelet.exe after timer_only.exe: %.2f s (goal <= 2.1, %s)\n", up_xload, mm - mt,
            mm - mt <= 2.1 ? "met" : "NOT met"

        printf "\nOne steady sample inside the meter, microseconds (median of 101 calls, each after a 50 ms pause)\n\n"
        printf "| one sample by the meter | of it, the Wine call for processor times | one message through the queue |\n|---:|---:|---:|\n"
        printf "| %.1f | %.1f | %.1f |\n", sample_us, times_us, message_us
        printf "\nOnce a second the sample costs %.1f ms a minute, %s times the own CPU of timer_only.exe; the Wine call alone %s times.\n",
            sample_us * 60 / 1000, ratio(sample_us * 60 / 1000, m[2, 1]), ratio(times_us * 60 / 1000, m[2, 1])
    }'
