# Shared steps of the end-to-end checks: a private X display and Wine
# prefix per check, the meter and the probe under Wine, screenshots and
# pixel reads. Every wait is bounded; all started here ends on every exit.
#   e2e_init NAME GAUGELET_EXE PROBE_EXE WORK_ROOT PREFIX_TEMPLATE
E2E_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
E2E_WINE=$E2E_ROOT/tools/wine.sh
E2E_KEY='HKCU\Software\Brindleworks\Gaugelet'
E2E_FAILURES=0

e2e_log() { printf "%4d s  %s\n" "$SECONDS" "$*" >&2; }
e2e_abort() { e2e_log "FAILED: $*"; exit 1; }

# A failed check is counted and the script goes on, so one run reports all.
e2e_check() {
    if "${@:2}"; then e2e_log "ok: $1"; else e2e_log "FAIL: $1"; E2E_FAILURES=$((E2E_FAILURES + 1)); fi
}
# Succeeds where the command fails; what it prints is dropped.
e2e_not() { ! "$@" >/dev/null 2>&1; }

e2e_finish() {
    e2e_check "the meter never crashed" e2e_not grep -i -E 'unhandled (exception|page fault)' "$E2E_WORK/meter.log"
    [ "$E2E_FAILURES" = 0 ] || e2e_abort "$E2E_FAILURES check(s) failed; screenshots in $E2E_WORK"
    e2e_log "all checks passed"
    exit 0
}

e2e_cleanup() {
    local status=$? pid
    timeout 20 "$E2E_WINE" wineserver -k >/dev/null 2>&1
    for pid in $E2E_PIDS; do kill "$pid" 2>/dev/null; done
    for pid in $E2E_PIDS; do timeout 10 tail --pid="$pid" -f /dev/null 2>/dev/null; done
    # The prefix is large and made again by every run; the screenshots stay.
    [ "$status" != 0 ] || rm -rf "$WINEPREFIX"
    exit "$status"
}

e2e_init() {
    local tool display
    E2E_EXE=$2 E2E_WORK=$4/$1
    for tool in Xvfb xdotool xwd convert; do
        command -v "$tool" >/dev/null || { e2e_log "SKIPPED: the end-to-end checks need $tool"; exit 77; }
    done
    "$E2E_WINE" --can-run "$E2E_EXE" || exit $?
    rm -rf "$E2E_WORK" && mkdir -p "$E2E_WORK" || e2e_abort "cannot make $E2E_WORK"
    export WINEPREFIX=$E2E_WORK/prefix
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM HUP
    "$E2E_ROOT/tests/wine/prefix-init.sh" "$5" "$E2E_EXE" "$WINEPREFIX" >/dev/null || exit $?
    # Two names, so the busy helper shows as a process of its own.
    cp "$3" "$E2E_WORK/probe.exe" && cp "$3" "$E2E_WORK/busyhelper.exe" &&
        cp "${3%/*}/menuhook.dll" "$E2E_WORK/" || e2e_abort "no probe and hook beside $3"
    exec 3< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>"$E2E_WORK/xvfb.log")
    E2E_PIDS=$!
    read -r -t 20 display <&3 || e2e_abort "Xvfb gave no display (see $E2E_WORK/xvfb.log)"
    export DISPLAY=:$display
}

e2e_reg_add() {
    timeout 60 "$E2E_WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 ||
        e2e_abort "wine reg add $1 $2 failed"
}

# The data of one of the meter's settings, or nothing (status 1).
e2e_settings_value() {
    timeout 60 "$E2E_WINE" reg query "$E2E_KEY" /v "$1" 2>/dev/null | tr -d '\r' | awk -v name="$1" '
        tolower($1) == tolower(name) { sub(/^ *[^ ]+ +REG_[A-Z_]+ */, ""); print; found = 1 } END { exit !found }'
}

e2e_probe() { timeout 30 "$E2E_WINE" "$E2E_WORK/probe.exe" "$@" 2>>"$E2E_WORK/probe.log"; }
# Posts WM_COMMAND ID to the meter, or to the window of that title.
e2e_command() { e2e_probe post "${2:-Gaugelet}" 273 "$1"; }

# Starts the meter in the background; E2E_METER is the pid of its wine.
e2e_start_meter() {
    "$E2E_WINE" "$E2E_EXE" "$@" >>"$E2E_WORK/meter.log" 2>&1 &
    E2E_METER=$! E2E_PIDS="$E2E_PIDS $!"
}
e2e_check_exit() {
    e2e_exits() { e2e_command 101 && timeout 20 tail --pid="$E2E_METER" -s 0.2 -f /dev/null && wait "$E2E_METER"; }
    e2e_check "Exit ends the meter with status 0" e2e_exits
}

# THREADS cores busy for SECONDS in a Windows process named busyhelper,
# returning once it spins: past a second of CPU, more than Wine's start.
e2e_start_busy() {
    "$E2E_WINE" "$E2E_WORK/busyhelper.exe" busy "$1" "$2" >>"$E2E_WORK/busy.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    e2e_spins() { awk '{ exit $14 + $15 < 100 }' "/proc/$(e2e_busy_pid)/stat" 2>/dev/null; }
    e2e_wait_for 20 e2e_spins
}
# The helper runs in wine's own process or under start.exe, as the loader
# decides: it is found by its name in this check's prefix.
e2e_busy_pid() {
    local pid
    for pid in $(grep -l -x -s busyhelper.exe /proc/[0-9]*/comm | cut -d/ -f3); do
        grep -q -s -z -x -F "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" && echo "$pid" && return
    done
    return 1
}
e2e_end_busy() {
    local pid
    pid=$(e2e_busy_pid) || return 0
    kill "$pid" && timeout 20 tail --pid="$pid" -s 0.2 -f /dev/null
}

# Runs a command until it succeeds, at most SECONDS seconds.
e2e_wait_for() {
    local end=$((SECONDS + $1))
    until "${@:2}"; do [ "$SECONDS" -lt "$end" ] && sleep 0.2 || return 1; done
}

# "x y width height" on the screen of the first shown top-level X window
# whose class and title match these regular expressions.
e2e_x_geometry() {
    local id
    for id in $(xdotool search --onlyvisible --maxdepth 1 --classname "$1" 2>/dev/null); do
        [[ "$(xdotool getwindowname "$id" 2>/dev/null)" =~ $2 ]] || continue
        xdotool getwindowgeometry --shell "$id" 2>/dev/null |
            awk -F= '{ v[$1] = $2 } END { print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]; exit !v["WIDTH"] }'
        return
    done
    return 1
}
e2e_tray_geometry() { e2e_x_geometry '^explorer\.exe$' '^Wine System Tray$'; }
e2e_window_geometry() { e2e_x_geometry '^gaugelet\.exe$' "^${1:-Gaugelet}\$"; }
# A menu is the meter's one window without a title.
e2e_menu_geometry() { e2e_x_geometry '^gaugelet\.exe$' '^$'; }

# Saves a screenshot of the whole display as WORK/NAME.png and prints its path.
e2e_shot() {
    timeout 20 xwd -root -silent | timeout 20 convert xwd:- "png:$E2E_WORK/$1.png" && echo "$E2E_WORK/$1.png"
}
# One line "RRGGBB" per pixel of a region "x y width height" of a screenshot.
e2e_region_colours() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 rgb:- | od -An -v -tx1 -w3 | tr -d ' ' | tr a-f A-F
}
e2e_count_colour() { e2e_region_colours "$1" "$2" "$3" "$4" "$5" | grep -c -x "$6"; }

# "FRAME AREA" of the built-in skin in a region "x y width height" of the
# screenshot E2E_SHOT holding one icon, or "-1 0". Frame k lights k rows of
# 10 pixels pure green; the sunken box has 23 grey pixels, which also gives
# the area each pixel is drawn at.
e2e_frame_in() {
    [ $# = 4 ] && e2e_region_colours "$E2E_SHOT" "$@" | awk '$1 == "00FF00" { green++ } $1 == "808080" { grey++ }
        END { s = grey / 23; print (!grey || s != int(s) || green % (10 * s)) ? "-1 0" : green / (10 * s) " " s }' ||
        echo -1 0
}
# Takes screenshot NAME (E2E_SHOT) and reads the built-in skin's frame in
# the notification icon and in the window (E2E_WINDOW_AT), -1 where none
# shows, and the area each pixel of the skin covers in each.
e2e_read_frames() {
    local tray
    tray=$(e2e_tray_geometry) E2E_WINDOW_AT=$(e2e_window_geometry)
    E2E_SHOT=$(e2e_shot "$1") || return 1
    read -r E2E_TRAY_FRAME E2E_TRAY_AREA <<<"$(e2e_frame_in $tray)"
    read -r E2E_WINDOW_FRAME E2E_WINDOW_AREA <<<"$(e2e_frame_in $E2E_WINDOW_AT)"
}

# Polls for at most SECONDS until the frames shown, in screenshot NAME,
# pass an awk condition on t (notification icon) and w (window, -1 where
# none shows), ta and wa (the pixels each of the skin's covers there: 1 at
# 96 dpi, 4 at 192), with h the frame of the host's load over the second
# before: the meter reads the first processor or all, as its system version
# asks.
e2e_wait_frames() {
    local condition=$2 name=$3 host end=$((SECONDS + $1))
    while :; do
        # The built-in skin's frame of the busier of the first processor and all.
        host=$({ grep -E '^cpu0? ' /proc/stat; sleep 1; grep -E '^cpu0? ' /proc/stat; } | awk '
            { busy = 0; for (i = 2; i <= NF; i++) if (i != 5 && i != 6) busy += $i
              db[$1] = busy - b[$1]; di[$1] = $5 + $6 - d[$1]; b[$1] = busy; d[$1] = $5 + $6 }
            END { for (c in db) { t = db[c] + di[c]; f = t ? int(11 * db[c] / t) : 0; if (f > h) h = f } print h + 0 }')
        e2e_read_frames "$name" || return 1
        e2e_log "  $name: notification icon frame $E2E_TRAY_FRAME, window frame $E2E_WINDOW_FRAME at $E2E_WINDOW_AT"
        awk -v t="$E2E_TRAY_FRAME" -v w="$E2E_WINDOW_FRAME" -v ta="$E2E_TRAY_AREA" -v wa="$E2E_WINDOW_AREA" \
            -v h="$host" "BEGIN { exit !($condition) }" && return
        [ "$SECONDS" -lt "$end" ] || return 1
    done
}
# The frame of an idle machine, allowing for what else the host runs.
E2E_IDLE='t >= 0 && t <= h + 1 && w >= 0 && w <= h + 1'
# Two busy cores: well above idle on every count of the load.
E2E_LOADED='t >= 6 && w >= 6'

# "x y" at the middle of a region "x y width height".
e2e_centre() { [ $# = 4 ] && echo $(($1 + $3 / 2)) $(($2 + $4 / 2)); }
# The middle of what the notification area shows, found in its pixels:
# Wine's tray is white where it shows no icon.
e2e_icon_centre() {
    local shot
    set -- $(e2e_tray_geometry) && [ $# = 4 ] && shot=$(e2e_shot tray) || return 1
    convert "$shot" -crop "$3x$4+$1+$2" +repage -bordercolor white -border 1 -trim \
        -format '%X %Y %w %h' info: | tr -d + | awk -v x="$1" -v y="$2" '
        $3 > 1 { print x + $1 - 1 + int($3 / 2), y + $2 - 1 + int($4 / 2); found = 1 } END { exit !found }'
}

# The pointer three quarters across the screen and down, away from both
# displays wherever the checks put them.
e2e_park_mouse() { set -- $(xdotool getdisplaygeometry) && xdotool mousemove $(($1 * 3 / 4)) $(($2 * 3 / 4)); }

# The items of the open menu as the meter holds them, one line each (see
# menu_hook.cpp): "ID TEXT", then " *" when checked, " -" when grey and
# " >" for a pop-up, a tab and the item's place on screen; then the
# pop-ups' items, each "> ID TEXT".
e2e_menu_items() { e2e_wait_for 10 e2e_probe menu | tr -d '\r'; }
# Opens the context menu with a right-click at "x y"; prints its items and
# logs the height of a row, which is Wine's to choose.
e2e_open_menu() {
    local items
    xdotool mousemove "$1" "$2" click 3 && items=$(e2e_menu_items) || return 1
    e2e_log "  menu at $1 $2, rows $(awk -F'\t' 'NR == 1 { split($2, r, " "); print r[4] - r[2] }' <<<"$items") pixels high"
    printf '%s\n' "$items"
}
e2e_close_menu() { xdotool key Escape && e2e_wait_for 10 e2e_not e2e_menu_geometry; }
# The menu's own items, without their places or the pop-ups' items.
e2e_items_of() { grep -v '^>' <<<"$1" | cut -f1; }
# Opens the window's menu and picks an item by the keyboard: the item whose
# text is TEXT, or in its pop-up the last item whose text is SUBTEXT.
e2e_pick() {
    local items keys=() n
    items=$(e2e_open_menu $(e2e_centre $(e2e_window_geometry))) || return 1
    n=$(e2e_items_of "$items" | awk -v text="$1" '{ sub(/^[0-9]+ /, "") } $0 == text || $0 == text " >" { print NR; exit }')
    [ -n "$n" ] || return 1
    for ((; n > 0; n--)); do keys+=(Down); done
    if [ $# = 2 ]; then
        n=$(grep '^> ' <<<"$items" | awk -v text="$2" '{ sub(/^> [0-9]+ /, "") } $0 == text { n = NR } END { print n }')
        [ -n "$n" ] || return 1
        keys+=(Right)
        for ((; n > 1; n--)); do keys+=(Down); done
    fi
    xdotool key "${keys[@]}" Return && e2e_wait_for 10 e2e_not e2e_menu_geometry
}

# The meter's tooltip text, read by hovering over the notification icon;
# Wine's tray shows it after more than one move over the icon.
e2e_tooltip() {
    set -- $(e2e_icon_centre) && [ $# = 2 ] || return 1
    e2e_park_mouse
    xdotool sleep 0.3 mousemove $(($1 - 2)) $(($2 - 2)) sleep 0.1 mousemove "$1" "$2" sleep 0.1 \
        mousemove $(($1 + 1)) $(($2 + 1))
    e2e_wait_for 10 e2e_probe windows tooltips_class32 >"$E2E_WORK/tooltip.txt"
    e2e_park_mouse
    e2e_wait_for 5 e2e_not e2e_probe windows tooltips_class32
    head -n 1 "$E2E_WORK/tooltip.txt" | cut -d' ' -f2-
}

# Waits until the notification icon shows a picture (Wine's tray is white
# where it shows none); a message box ends the check with its text.
e2e_wait_meter_ready() {
    e2e_icon_shows() {
        e2e_not e2e_window_geometry Error ||
            e2e_abort "the meter shows an error: $(e2e_probe windows '#32770' | tr '\n' ' ')"
        set -- $(e2e_tray_geometry) && [ $# = 4 ] && e2e_region_colours "$(e2e_shot ready)" "$@" | grep -q -v -x FFFFFF
    }
    e2e_wait_for 30 e2e_icon_shows || e2e_abort "the meter showed no notification icon within 30 s"
}
