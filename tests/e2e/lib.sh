# Shared steps of the end-to-end checks, sourced by each check script:
# a private X display and Wine prefix per check, the meter and the probe
# under Wine, screenshots and pixel reads. Every wait is bounded and
# everything started here is ended on every exit.
#   e2e_init NAME GAUGELET_EXE PROBE_EXE WORK_ROOT

E2E_FAILURES=0
E2E_WINE="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/tools/wine.sh"
E2E_PIDS=""
E2E_XVFB=""

e2e_log() { printf '%s\n' "$*" >&2; }

e2e_skip() {
    e2e_log "SKIPPED: $*"
    exit 77
}

e2e_abort() {
    e2e_log "FAILED: $*"
    exit 1
}

# A failed check is counted and the script goes on, so one run reports all.
e2e_check() {
    local what=$1
    shift
    if "$@"; then
        e2e_log "ok: $what"
    else
        e2e_log "FAIL: $what"
        E2E_FAILURES=$((E2E_FAILURES + 1))
    fi
}

e2e_finish() {
    if [ "$E2E_FAILURES" -ne 0 ]; then
        e2e_log "$E2E_FAILURES check(s) failed; screenshots in $E2E_WORK"
        exit 1
    fi
    e2e_log "all checks passed"
    exit 0
}

e2e_cleanup() {
    local status=$?
    local pid
    if [ -n "$WINEPREFIX" ] && [ -d "$WINEPREFIX" ]; then
        timeout 20 "$E2E_WINE" wineserver -k >/dev/null 2>&1
    fi
    for pid in $E2E_PIDS; do
        kill "$pid" 2>/dev/null
    done
    for pid in $E2E_PIDS; do
        timeout 10 tail --pid="$pid" -f /dev/null 2>/dev/null
    done
    if [ -n "$E2E_XVFB" ]; then
        kill "$E2E_XVFB" 2>/dev/null
        timeout 10 tail --pid="$E2E_XVFB" -f /dev/null 2>/dev/null
    fi
    # The prefix is large and rebuilt by every run; the screenshots stay.
    if [ "$status" -eq 0 ] && [ -n "$WINEPREFIX" ]; then
        rm -rf "$WINEPREFIX"
    fi
    exit "$status"
}

e2e_start_display() {
    local fifo number=""
    fifo="$E2E_WORK/displayfd"
    rm -f "$fifo"
    mkfifo "$fifo" || e2e_abort "cannot make $fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$E2E_WORK/xvfb.log" 2>&1 &
    E2E_XVFB=$!
    read -r -t 20 number <"$fifo"
    rm -f "$fifo"
    [ -n "$number" ] || e2e_abort "Xvfb gave no display number (see $E2E_WORK/xvfb.log)"
    export DISPLAY=":$number"
}

# One booted prefix per build folder, copied for every check: booting takes
# half a minute, a copy of hard links none. Wine rewrites its registry files
# in place, so those are copied for real.
e2e_template_prefix() {
    local template="$1/template-prefix"
    if [ ! -f "$template/system.reg" ]; then
        rm -rf "$template" "$template.new"
        mkdir -p "$template.new" || e2e_abort "cannot make $template.new"
        (
            # Booted without a display, a prefix's desktop has no tray.
            export WINEPREFIX="$template.new"
            timeout 180 "$E2E_WINE" wineboot -i >/dev/null 2>&1 || exit 1
            timeout 60 "$E2E_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
                /t REG_DWORD /d 0 /f >/dev/null 2>&1 || exit 1
            timeout 60 "$E2E_WINE" reg add 'HKLM\System\CurrentControlSet\Services\winebus' \
                /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1 || exit 1
            timeout 60 "$E2E_WINE" wineserver -w
        ) || e2e_abort "could not boot a Wine prefix in $template.new"
        mv "$template.new" "$template" || e2e_abort "cannot move $template.new"
    fi
    cp -al "$template" "$WINEPREFIX" || e2e_abort "cannot copy $template"
    local hive
    for hive in "$template"/*.reg; do
        rm -f "$WINEPREFIX/${hive##*/}"
        cp "$hive" "$WINEPREFIX/" || e2e_abort "cannot copy $hive"
    done
}

e2e_init() {
    local name=$1 tool
    E2E_EXE=$2
    E2E_PROBE_SOURCE=$3
    for tool in Xvfb xdotool xwd convert timeout; do
        command -v "$tool" >/dev/null 2>&1 ||
            e2e_skip "$tool is not installed; the end-to-end checks need Xvfb, xdotool, xwd and ImageMagick"
    done
    [ -f "$E2E_EXE" ] || e2e_abort "no meter at $E2E_EXE"
    "$E2E_WINE" --can-run "$E2E_EXE" || exit $?
    [ -f "$E2E_PROBE_SOURCE" ] || e2e_abort "no probe at $E2E_PROBE_SOURCE"
    E2E_WORK="$4/$name"
    rm -rf "$E2E_WORK"
    mkdir -p "$E2E_WORK" || e2e_abort "cannot make $E2E_WORK"
    # Distinct names, so each shows as its own process.
    cp "$E2E_PROBE_SOURCE" "$E2E_WORK/probe.exe"
    cp "$E2E_PROBE_SOURCE" "$E2E_WORK/busyhelper.exe"
    export WINEPREFIX="$E2E_WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM HUP
    e2e_start_display
    e2e_template_prefix "$4"
}

e2e_reg_add() {
    timeout 60 "$E2E_WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 ||
        e2e_abort "wine reg add $1 $2 failed"
}

# The data of one value, or nothing (status 1) when it is missing.
e2e_reg_value() {
    local out
    out=$(timeout 60 "$E2E_WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
    printf '%s\n' "$out" | awk -v name="$2" '
        tolower($1) == tolower(name) && $2 ~ /^REG_/ {
            sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]*/, ""); print; found = 1 }
        END { exit found ? 0 : 1 }'
}

e2e_settings_value() {
    e2e_reg_value 'HKCU\Software\Brindleworks\Gaugelet' "$1"
}

e2e_probe() {
    timeout 30 "$E2E_WINE" "$E2E_WORK/probe.exe" "$@" 2>>"$E2E_WORK/probe.log"
}

# Starts the meter in the background; E2E_METER is the pid of its wine.
e2e_start_meter() {
    "$E2E_WINE" "$E2E_EXE" "$@" >>"$E2E_WORK/meter.log" 2>&1 &
    E2E_METER=$!
    E2E_PIDS="$E2E_PIDS $E2E_METER"
}

# Status of the meter's wine once it has ended, 124 if it runs on.
e2e_wait_meter_exit() {
    local seconds=$1 waited=0
    while kill -0 "$E2E_METER" 2>/dev/null; do
        [ "$waited" -ge $((seconds * 5)) ] && return 124
        sleep 0.2
        waited=$((waited + 1))
    done
    wait "$E2E_METER"
}

e2e_start_busy() {
    local seconds=$1 threads=$2
    "$E2E_WINE" "$E2E_WORK/busyhelper.exe" busy "$seconds" "$threads" >>"$E2E_WORK/busy.log" 2>&1 &
    E2E_BUSY=$!
    E2E_PIDS="$E2E_PIDS $E2E_BUSY"
}

# Runs a command until it succeeds, at most SECONDS seconds.
e2e_wait_for() {
    local seconds=$1 waited=0
    shift
    until "$@"; do
        [ "$waited" -ge $((seconds * 5)) ] && return 1
        sleep 0.2
        waited=$((waited + 1))
    done
}

e2e_window_exists() { e2e_probe window-rect "$1" >/dev/null 2>&1; }

# Prints "left top right bottom" of the window with that title.
e2e_window_rect() { e2e_probe window-rect "$1"; }

e2e_tray_window() {
    xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | head -n 1
}

# Prints "x y width height" of Wine's tray window.
e2e_tray_geometry() {
    local id
    id=$(e2e_tray_window)
    [ -n "$id" ] || return 1
    xdotool getwindowgeometry --shell "$id" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2}
                 END { if (w == "") exit 1; print x, y, w, h }'
}

# Saves a screenshot of the whole display as WORK/NAME.png and prints its path.
e2e_shot() {
    local file="$E2E_WORK/$1.png"
    timeout 20 xwd -root -silent | timeout 20 convert xwd:- "png:$file" || return 1
    printf '%s\n' "$file"
}

# One line "RRGGBB" per pixel of a region of a screenshot.
e2e_region_colours() {
    local file=$1 x=$2 y=$3 w=$4 h=$5
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- |
        awk '!/^#/ { for (i = 2; i <= NF; i++) if (substr($i, 1, 1) == "#" && length($i) >= 7) {
                         print toupper(substr($i, 2, 6)); break } }'
}

e2e_count_colour() {
    e2e_region_colours "$1" "$2" "$3" "$4" "$5" | grep -c -x "$6"
}

# The frame of the built-in skin shown in a region holding one icon, or -1.
# Frame k lights k rows of 10 pixels pure green; the sunken box has 23 grey
# pixels, which also gives the scale the icon is drawn at.
e2e_builtin_frame() {
    e2e_region_colours "$@" | awk '
        $1 == "00FF00" { green++ }
        $1 == "808080" { grey++ }
        END {
            scale2 = grey / 23
            if (grey == 0 || scale2 != int(scale2) || green % (10 * scale2) != 0) { print -1; exit }
            print green / (10 * scale2)
        }'
}

# The frames that the local load of the last second would give on the
# built-in skin, for the first processor and for all: "cpu0 total".
e2e_host_frames() {
    local before after
    before=$(grep -E '^cpu0? ' /proc/stat)
    sleep 1
    after=$(grep -E '^cpu0? ' /proc/stat)
    printf '%s\n%s\n' "$before" "$after" | awk '
        { busy = 0; for (i = 2; i <= NF; i++) if (i != 5 && i != 6) busy += $i
          idle = $5 + $6
          if (seen[$1]++) { db[$1] = busy - b[$1]; di[$1] = idle - d[$1] }
          else { b[$1] = busy; d[$1] = idle } }
        function frame(cpu) { t = db[cpu] + di[cpu]; return t > 0 ? int(11 * db[cpu] / t) : 0 }
        END { print frame("cpu0"), frame("cpu") }'
}

# Prints "x y width height" of the meter window (visible or not).
e2e_window_geometry() {
    local rect
    rect=$(e2e_window_rect "${1:-Gaugelet}") || return 1
    set -- $rect
    printf '%s %s %s %s\n' "$1" "$2" $(($3 - $1)) $(($4 - $2))
}

# Takes screenshot NAME and sets E2E_SHOT to it and E2E_TRAY_FRAME and
# E2E_WINDOW_FRAME to the built-in frames it shows, -1 where none shows.
e2e_read_frames() {
    local tray window
    tray=$(e2e_tray_geometry)
    window=$(e2e_window_geometry)
    E2E_SHOT=$(e2e_shot "$1") || return 1
    E2E_TRAY_FRAME=-1
    E2E_WINDOW_FRAME=-1
    [ -n "$tray" ] && E2E_TRAY_FRAME=$(e2e_builtin_frame "$E2E_SHOT" $tray)
    [ -n "$window" ] && E2E_WINDOW_FRAME=$(e2e_builtin_frame "$E2E_SHOT" $window)
    e2e_log "  $1: notification icon frame $E2E_TRAY_FRAME, window frame $E2E_WINDOW_FRAME at $window"
}

# Polls for at most SECONDS until the shown frames pass an awk condition on
# t (notification icon) and w (window), with h the frame of the host's
# load over the second before the shot.
e2e_wait_frames() {
    local seconds=$1 condition=$2 name=$3 host end=$((SECONDS + $1))
    while :; do
        host=$(e2e_host_frames)
        e2e_read_frames "$name" || return 1
        # The meter reads the first processor or all of them, whichever its
        # system version asks for; the busier of the two bounds the frame.
        if printf '%s %s %s\n' "$E2E_TRAY_FRAME" "$E2E_WINDOW_FRAME" "$host" | awk '
            { t = $1; w = $2; h = $3 > $4 ? $3 : $4 }
            END { exit !('"$condition"') }'; then
            return 0
        fi
        [ "$SECONDS" -ge "$end" ] && return 1
    done
}

# The frame of an idle machine, allowing for what else the host runs.
E2E_IDLE='t >= 0 && t <= h + 1 && w >= 0 && w <= h + 1'
# Two busy cores: well above idle on every count of the load.
E2E_LOADED='t >= 6 && w >= 6'

# Opens the context menu with a right-click at X Y; prints the menu's
# "left top right bottom" once it shows.
e2e_open_menu() {
    local menu
    xdotool mousemove "$1" "$2" click 3
    e2e_wait_for 10 e2e_menu_shown || return 1
    e2e_probe visible-windows '#32768' | head -n 1 | awk '{ print $1, $2, $3, $4 }'
}

e2e_menu_shown() { e2e_probe visible-windows '#32768' >/dev/null 2>&1; }
e2e_menu_gone() { ! e2e_menu_shown; }

e2e_close_menu() {
    xdotool key Escape
    e2e_wait_for 10 e2e_menu_gone
}

# Rows of a menu of that height in Wine's default look: 17 pixels a row
# inside a 3-pixel frame.
e2e_menu_rows() {
    local height=$(($4 - $2 - 6))
    [ $((height % 17)) -eq 0 ] || { echo -1; return; }
    echo $((height / 17))
}

# The meter's tooltip text, read by hovering over the notification icon.
e2e_tooltip() {
    local tray
    tray=$(e2e_tray_geometry) || return 1
    set -- $tray
    # Wine's tray shows the tip after more than one move over the icon.
    xdotool mousemove 300 300 sleep 0.3 mousemove $(($1 + 8)) $(($2 + 8)) sleep 0.1 \
        mousemove $(($1 + 10)) $(($2 + 10)) sleep 0.1 mousemove $(($1 + 11)) $(($2 + 11))
    e2e_wait_for 10 e2e_tooltip_shown || return 1
    e2e_probe visible-windows tooltips_class32 | head -n 1 | cut -d' ' -f6-
    xdotool mousemove 300 300
}

e2e_tooltip_shown() { e2e_probe visible-windows tooltips_class32 >/dev/null 2>&1; }

e2e_exit_meter() {
    e2e_probe post-command Gaugelet 101 || return 1
    e2e_wait_meter_exit 20
}

e2e_tray_shows_icon() {
    local tray shot
    tray=$(e2e_tray_geometry) || return 1
    shot=$(e2e_shot ready) || return 1
    # Wine's tray is white where it shows no icon.
    e2e_region_colours "$shot" $tray | grep -q -v -x FFFFFF
}

# Waits until the meter's window exists and its notification icon shows a
# picture; an unexpected message box ends the check with its text.
e2e_wait_meter_ready() {
    local end=$((SECONDS + 30))
    until e2e_window_exists Gaugelet && e2e_tray_shows_icon; do
        if e2e_window_exists Error; then
            e2e_abort "the meter shows an error: $(e2e_probe child-texts Error | tr '\n' ' ')"
        fi
        [ "$SECONDS" -ge "$end" ] && e2e_abort "the meter showed no notification icon within 30 s"
        sleep 0.5
    done
}

# The same from the X side, fast enough for many rounds: a menu is the
# meter's one mapped top-level X window without a name.
e2e_menu_shown_x() {
    local id
    for id in $(xdotool search --onlyvisible --maxdepth 1 --classname '^gaugelet\.exe$' 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ] && return 0
    done
    return 1
}
e2e_menu_gone_x() { ! e2e_menu_shown_x; }
