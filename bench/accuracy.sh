#!/bin/bash
# How right the meter is, in frames of its built-in skin. Under Wine its
# processor times come from the kernel's /proc/stat, so the truth is at
# hand. A native generator holds every processor at 0, 10, ... 100 % of
# each 20 ms, SECONDS readings each; a second after the meter's frame
# changes to the new load, once a second, back to back and in step with the
# meter's ticks, the frames both displays show are read from a screenshot
# and set against the frame the kernel's counters give over the meter's
# last second, so the screenshot's own cost counts on both sides. The same
# for one watched Windows process held at those duties on one thread (its
# times from /proc/PID/stat), and for the 9x source fed exact loads through
# HKEY_DYN_DATA, which must be exact.
#   bench/accuracy.sh [SECONDS]   (8; builds what it needs)
# Prints per duty and overall the mean and largest error in frames, writes
# the readings to build/accuracy.csv and draws docs/accuracy.png.
set -u
cd "$(dirname "$0")/.." || exit 1
root=$PWD
seconds=${1:-8}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: bench/accuracy.sh [SECONDS]" >&2; exit 1; }
command -v gnuplot >/dev/null || { echo "FAILED: gnuplot is missing (tools/install-deps.sh)" >&2; exit 1; }
{ cmake --preset native-release && cmake --build build/native-release --target duty_load &&
    cmake --preset mingw64 && cmake --build build/mingw64 --target gaugelet gaugelet_e2e_probe; } >/dev/null ||
    { echo "FAILED: the builds" >&2; exit 1; }
generator=$root/build/native-release/bench/duty_load
csv=$root/build/accuracy.csv

. tests/e2e/lib.sh
e2e_init accuracy "$root/build/mingw64/app/gaugelet.exe" "$root/build/mingw64/tests/e2e/probe.exe" \
    "$root/build/mingw64/bench" "$root/build/mingw64/wine-template"
e2e_reg_add "$E2E_KEY" Desktop REG_DWORD 1

now_ns() { date +%s%N; }
# Busy jiffies and all jiffies of every processor; of a process, its jiffies
# and the clock's.
cpu_jiffies() { awk '/^cpu / { for (i = 2; i <= NF; i++) all += $i; print all - $5, all }' /proc/stat; }
process_jiffies() {
    awk -v now="$(now_ns)" -v hz="$(getconf CLK_TCK)" '{ printf "%d %.3f\n", $14 + $15, now / 1e9 * hz }' "/proc/$1/stat"
}

# The meter's seconds run from tick to tick; the check's are laid on them,
# so that both count the same time. TICK_NS is a tick, on the clock of
# now_ns: the middle between the last screen that showed the window's old
# frame and the first that showed the new one.
tick_ns=0
sleep_until() { sleep "$(awk -v ns=$(($1 - $(now_ns))) 'BEGIN { printf "%.3f", (ns > 0 ? ns / 1e9 : 0) }')"; }
frame_now() {
    xwd -root -silent >"$E2E_WORK/poll.xwd" && E2E_SHOT=$E2E_WORK/poll.xwd e2e_frame_in $(e2e_window_geometry) | cut -d' ' -f1
}
# Waits at most WAIT seconds for the window's frame to change; where it
# does not, the last tick found stands (only the menu moves the ticks).
find_tick() {
    local from last end polled
    from=$(frame_now) last=$(now_ns)
    end=$((last + $1 * 1000000000))
    while polled=$(now_ns) && [ "$polled" -lt "$end" ]; do
        [ "$(frame_now)" != "$from" ] && { tick_ns=$(((last + polled) / 2)); return; }
        last=$polled
    done
}

# SECONDS readings of one steady load, a second apart, back to back, the
# first a tick after the window's frame changed (or WAIT seconds passed):
# "MODE DUTY EXPECTED TRAY WINDOW" each. COUNTER gives "PART WHOLE", whose
# ratio is the load over the second. The screen is read a moment after the
# counters, once the meter has drawn the tick's frame.
read_seconds() {
    local mode=$1 duty=$2 wait=$3 counter=$4 before after next i
    find_tick "$wait"
    next=$((tick_ns + (($(now_ns) - tick_ns) / 1000000000 + 1) * 1000000000))
    sleep_until "$next"
    before=$($counter)
    for ((i = 0; i < seconds; i++)); do
        next=$((next + 1000000000))
        sleep_until "$next"
        after=$($counter)
        sleep 0.15
        e2e_read_frames accuracy || return 1
        awk -v b="$before" -v a="$after" -v m="$mode" -v d="$duty" \
            -v t="$E2E_TRAY_FRAME" -v w="$E2E_WINDOW_FRAME" '
            BEGIN { split(b, x); split(a, y); r = (y[1] - x[1]) / (y[2] - x[2]); if (r > 1) r = 1
                    print m, d, int(11 * r + 1e-9), t, w }' >>"$csv"
        before=$after
    done
}

: >"$csv"
e2e_start_meter
e2e_wait_meter_ready
e2e_log "the whole processor"
for duty in 0 10 20 30 40 50 60 70 80 90 100; do
    "$generator" "$duty" $((seconds + 7)) &
    generating=$!
    read_seconds processor "$duty" 3 cpu_jiffies || e2e_abort "no reading at $duty %"
    wait "$generating"
done

# A new helper for each duty: the meter finds it by name at its next
# refresh, every fifth second.
e2e_log "one process"
for duty in 0 10 20 30 40 50 60 70 80 90 100; do
    "$E2E_WINE" "$E2E_WORK/busyhelper.exe" busy $((seconds + 14)) 1 "$duty" >>"$E2E_WORK/busy.log" 2>&1 &
    e2e_wait_for 20 e2e_busy_pid >/dev/null || e2e_abort "no busy helper"
    [ "$duty" != 0 ] || e2e_pick Processes... busyhelper || e2e_abort "cannot watch the busy helper"
    read_seconds process "$duty" 8 "process_jiffies $(e2e_busy_pid)" || e2e_abort "no reading at $duty %"
    e2e_end_busy
done
e2e_command 101 && timeout 20 tail --pid="$E2E_METER" -s 0.2 -f /dev/null

e2e_log "the 9x statistic"
e2e_reg_add 'HKCU\Software\Wine\AppDefaults\gaugelet.exe' Version REG_SZ win98
e2e_reg_add 'HKLM\System\CurrentControlSet\Control\PerfStats\Enum\KERNEL\CPUUsage' Name REG_SZ 'CPU Usage'
e2e_start_meter
e2e_wait_for 30 e2e_window_geometry >/dev/null || e2e_abort "the 9x meter shows no window"
for load in $(seq 0 5 100); do
    e2e_probe dyn-set 'PerfStats\StatData' 'KERNEL\CPUUsage' "$load" || e2e_abort "cannot write the statistic"
    sleep 1.5
    e2e_read_frames accuracy || e2e_abort "no reading at $load %"
    echo "9x $load $((11 * load / 100)) $E2E_TRAY_FRAME $E2E_WINDOW_FRAME" >>"$csv"
done
e2e_command 101

awk '
function add(key, e) { e = e < 0 ? -e : e; sum[key] += e; n[key]++; if (e > max[key]) max[key] = e }
{ for (d = 4; d <= 5; d++) { add($1 " " $2 " " d, $d - $3); add($1 " all " d, $d - $3) } }
END {
    for (key in n) if (key ~ / 4$/) {
        k = substr(key, 1, length(key) - 2)
        printf "%s %s %.2f %d %.2f %d\n", k, "", sum[k " 4"] / n[k " 4"], max[k " 4"], sum[k " 5"] / n[k " 5"], max[k " 5"]
    }
}' "$csv" | sort -k1,1 -k2,2n | awk '
BEGIN { print "source     load   icon: mean error  largest   window: mean error  largest" }
{ printf "%-9s %5s %18s %8s %20s %8s\n", $1, $2 == "all" ? "all" : $2 "%", $3, $4, $5, $6 }'

gnuplot <<EOF || e2e_abort "gnuplot could not draw docs/accuracy.png"
set terminal png size 1200,420 font ",10"
set output "$root/docs/accuracy.png"
set multiplot layout 1,3
set xrange [-5:105]; set yrange [-0.5:11.5]; set xtics 0,20,100; set ytics 0,1,11; set grid
set xlabel "load held or fed (%)"; set ylabel "frame"; set key bottom right
do for [source in "processor process 9x"] {
    set title source eq "processor" ? "whole processor" : (source eq "process" ? "one process" : "9x statistic")
    plot "$csv" using (strcol(1) eq source ? \$2 : NaN):3 with points pt 6 ps 1.5 lw 2 title "expected", \
         "" using (strcol(1) eq source ? \$2 - 1.2 : NaN):4 with points pt 7 ps 0.6 title "notification icon", \
         "" using (strcol(1) eq source ? \$2 + 1.2 : NaN):5 with points pt 5 ps 0.6 title "window"
}
EOF
e2e_log "readings in $csv, picture in docs/accuracy.png"
E2E_FAILURES=0
e2e_finish
