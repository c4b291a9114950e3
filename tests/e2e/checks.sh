#!/bin/bash
# The meter as a person meets it, one scenario a run.
#   checks.sh GAUGELET_EXE PROBE_EXE WORK_ROOT PREFIX_TEMPLATE SCENARIO
. "$(dirname "$0")/lib.sh"
e2e_init "$5" "$1" "$2" "$3" "$4"

start_ready() { e2e_start_meter "$@" && e2e_wait_meter_ready; }
geometry_is() { [ "$(e2e_window_geometry)" = "$1" ]; }
tooltip_is() { [ "$(e2e_tooltip | tee -a "$E2E_WORK/tooltips.txt")" = "$1" ]; }
# An awk condition on bit(B) of the window's extended style: top-most 0x8,
# tool window 0x80, app window 0x40000, layered 0x80000.
style_is() {
    e2e_probe windows '#32770' |
        awk 'function bit(b) { return int($1 / b) % 2 } $2 == "Gaugelet" { found = '"$1"' } END { exit !found }'
}
topmost_is() { style_is "bit(8) == $1"; }
tool_window() { style_is 'bit(128) && !bit(262144) && bit(524288)'; }
# Stores settings of the meter that are numbers, NAME=VALUE each.
set_dwords() { local s; for s; do e2e_reg_add "$E2E_KEY" "${s%%=*}" REG_DWORD "${s#*=}"; done; }
# The menu ITEMS (e2e_menu_items) has the items EXPECTED; it is logged where not.
menu_is() {
    [ "$(e2e_items_of "$2")" = "$1" ] || { e2e_log "  the menu shows: $(e2e_items_of "$2" | paste -s -d '|')"; return 1; }
}
# The NT meter's menu with its switches in this state, Suspend's text last.
nt_menu() {
    printf '%s\n' "102 &Skin..." "106 Display On &Taskbar *" "107 Display On Des&ktop *" \
        "105 &Always On Top$1" "103 ${2:-&Suspend}" "0 Processes... >" "101 E&xit"
}
# The 9x family, whose load statistic the probe writes under HKEY_DYN_DATA.
as_9x() {
    e2e_reg_add 'HKCU\Software\Wine\AppDefaults\gaugelet.exe' Version REG_SZ win98
    set_dwords Desktop=1
    e2e_reg_add 'HKLM\System\CurrentControlSet\Control\PerfStats\Enum\KERNEL\CPUUsage' Name REG_SZ 'CPU Usage'
}
set_load() { e2e_probe dyn-set 'PerfStats\StatData' 'KERNEL\CPUUsage' "$1" || e2e_abort "cannot write the statistic"; }
# The statistic lives as long as the wineserver, which the meter starts:
# it is written once the meter's window shows, idle.
start_9x_ready() {
    e2e_start_meter
    e2e_wait_for 30 e2e_window_geometry >/dev/null || e2e_abort "the meter shows no window"
    set_load 0
    e2e_wait_meter_ready
}

# A machine that cannot be reached: one message box naming it, then the local load.
nt_remote() {
    box_names_host() { [[ "$(e2e_probe windows '#32770')" == *$'Failed to connect to \nnosuchhost'* ]]; }
    e2e_start_meter nosuchhost
    e2e_check "a message box says it failed to connect to nosuchhost" e2e_wait_for 30 box_names_host
    e2e_command 1 Error && e2e_wait_for 10 e2e_not e2e_window_geometry Error || e2e_abort "the message box stays after OK"
    e2e_wait_meter_ready
    # The window stays hidden: "Desktop" is off by default.
    e2e_check "the meter goes on and shows the local load" e2e_wait_frames 20 "t >= 0 && t <= h + 1" local
    e2e_check "the tooltip names no machine" tooltip_is gaugelet
    e2e_check_exit
}

nt_interact() {
    local final before after stored="" edge flag i
    running() { sleep 1; e2e_window_geometry >/dev/null && kill -0 "$E2E_METER"; }
    set_dwords Desktop=1
    start_ready
    e2e_check "an idle machine shows frame 0 in both displays" e2e_wait_frames 20 "$E2E_IDLE" idle
    e2e_check "icon and window show the same frame" [ "$E2E_TRAY_FRAME" = "$E2E_WINDOW_FRAME" ]
    e2e_check "the window is a layered tool window, off the taskbar" tool_window
    # To the middle of the screen, clear of the notification area.
    set -- $(e2e_window_geometry) $(e2e_centre $(e2e_window_geometry)) $(e2e_centre 0 0 $(xdotool getdisplaygeometry))
    xdotool mousemove "$5" "$6" mousedown 1 sleep 0.2 mousemove $(($5 + 2)) $(($6 + 3)) sleep 0.2 \
        mousemove "$7" "$8" sleep 0.2 mouseup 1
    e2e_check "a drag moves the window by the cursor's offset" \
        e2e_wait_for 5 geometry_is "$(($1 + $7 - $5)) $(($2 + $8 - $6)) $3 $4"
    xdotool click 1 key Escape
    e2e_probe post Gaugelet 16 0 && e2e_command 2
    e2e_check "Escape, Close and Cancel leave the meter running" running

    set -- $(e2e_centre $(e2e_window_geometry))
    e2e_check "a right-click on the window opens the menu of the NT family" \
        menu_is "$(nt_menu)" "$(e2e_open_menu "$@")"
    e2e_check "at the cursor" [ "$(e2e_menu_geometry | cut -d' ' -f1,2)" = "$1 $2" ]
    e2e_check "Escape closes the menu" e2e_close_menu
    e2e_check "a right-click on the notification icon opens the menu" \
        menu_is "$(nt_menu)" "$(e2e_open_menu $(e2e_icon_centre))"
    e2e_close_menu || e2e_abort "Escape does not close the menu"

    e2e_command 105
    e2e_check "Always On Top puts the window in the top-most band" e2e_wait_for 5 topmost_is 1
    e2e_command 105
    e2e_check "and takes it out again" e2e_wait_for 5 topmost_is 0
    e2e_command 105
    e2e_command 106
    e2e_check "Display On Taskbar off removes the notification icon" e2e_wait_for 10 e2e_not e2e_tray_geometry
    e2e_command 106
    e2e_check "and on brings it back with a frame" e2e_wait_frames 10 't >= 0' taskbar-on

    e2e_start_busy 30 2
    e2e_check "two busy cores show a high frame" e2e_wait_frames 10 "$E2E_LOADED" busy
    e2e_command 103
    e2e_check "Suspend shows frame 0 under load" e2e_wait_frames 3 't == 0 && w == 0' suspended
    e2e_check "the suspended tooltip says so" tooltip_is "gaugelet (suspended)"
    e2e_check "and the menu offers Resume" \
        menu_is "$(nt_menu " *" "Re&sume")" "$(e2e_open_menu $(e2e_icon_centre))"
    e2e_close_menu || e2e_abort "Escape does not close the menu"
    e2e_command 103
    e2e_check "Resume samples the load again" e2e_wait_frames 8 "$E2E_LOADED" resumed
    e2e_check "the tooltip is plain again" tooltip_is gaugelet
    e2e_end_busy
    e2e_check "the displays return to idle when the load stops" e2e_wait_frames 20 "$E2E_IDLE" idle-again

    e2e_start_busy 40 1
    e2e_pick Processes... busyhelper || e2e_abort "cannot choose the busy helper"
    e2e_check "watching the busy helper shows its full core" e2e_wait_frames 8 "$E2E_LOADED" watch-busy
    e2e_pick Processes... gaugelet || e2e_abort "cannot choose the meter"
    e2e_check "watching the meter itself shows idle while the helper works" e2e_wait_frames 8 't <= 1 && w <= 1' watch-meter
    e2e_end_busy
    e2e_start_busy 30 2
    e2e_pick Processes... _Total || e2e_abort "cannot choose _Total"
    e2e_check "\"_Total\" returns to the whole processor" e2e_wait_frames 8 "$E2E_LOADED" total
    e2e_end_busy

    # Suspended, no new frame can swap icons between the two counts.
    e2e_command 103
    e2e_wait_frames 5 't == 0 && w == 0' before-menus || e2e_abort "Suspend does not show frame 0"
    final=$(e2e_window_geometry)
    before=$(e2e_probe gdi-objects Gaugelet) || e2e_abort "no GDI object count of the meter"
    for i in $(seq 100); do
        xdotool mousemove $(e2e_centre $final) click 3 && e2e_wait_for 10 e2e_menu_geometry >/dev/null &&
            e2e_close_menu || e2e_abort "menu $i did not open and close"
    done
    after=$(e2e_probe gdi-objects Gaugelet) || e2e_abort "no GDI object count of the meter"
    e2e_check "a hundred menus leak no GDI object ($before before, $after after)" [ "$after" -le "$before" ]
    e2e_command 103

    e2e_check_exit
    for edge in LEFT TOP RIGHT BOTTOM; do stored="$stored $(($(e2e_settings_value pos$edge)))"; done
    set -- $final
    e2e_check "Exit stores the moved rectangle" [ "$stored" = " $1 $2 $(($1 + $3)) $(($2 + $4))" ]
    for flag in Desktop TaskBar TopMost; do
        e2e_check "Exit stores $flag on" [ "$(($(e2e_settings_value $flag)))" = 1 ]
    done
    start_ready
    e2e_check "the next start places the window there" geometry_is "$final"
    e2e_check "and keeps it top-most" topmost_is 1
    e2e_check_exit
}

# Skins chosen in Wine's file dialog, on the 9x family, whose load stays as
# given and whose menu has no process list. Each skin the release ships,
# the first chosen after a double click on the notification icon and the
# others through "&Skin...", shows its idle and its last frame exactly in
# both displays; a bitmap narrower than a frame
# is refused with a message and the built-in skin shows at the next tick.
# Once the stored file is gone the next start shows the built-in skin and
# keeps the path.
skins() {
    local narrow=$E2E_WORK/narrow.bmp skin path last
    mkdir -p "$E2E_WORK/skins" && cp "$E2E_ROOT"/res/skins/*.bmp "$E2E_WORK/skins/" &&
        cp "$E2E_ROOT/res/skin130.bmp" "$E2E_WORK/skins/classic.bmp" &&
        convert -size 15x16 xc:#FF8000 "BMP3:$narrow" || e2e_abort "cannot lay out the skins"
    # The region "x y width height" of the last screenshot holds frame F of
    # SKIN exactly, its transparent colour showing BACKGROUND.
    holds() {
        convert "$5" -crop "16x16+$((16 * $6))+0" +repage -fill "$7" -opaque '#008080' "$E2E_WORK/frame.png" &&
            convert "$E2E_SHOT" -crop "$3x$4+$1+$2" +repage "$E2E_WORK/region.png" &&
            [ "$(compare -metric AE -subimage-search "$E2E_WORK/region.png" "$E2E_WORK/frame.png" null: 2>&1 |
                cut -d' ' -f1)" = 0 ]
    }
    # Wine's tray is white behind its icons, the screen black behind the window.
    shows() {
        local tray window
        tray=$(e2e_tray_geometry) && window=$(e2e_window_geometry) && E2E_SHOT=$(e2e_shot skin) &&
            holds $tray "$1" "$2" white && holds $window "$1" "$2" black
    }
    # Types the file's name into the file dialog, as a person would.
    choose() {
        e2e_wait_for 10 e2e_window_geometry Open >/dev/null &&
            xdotool type --delay 20 "$("$E2E_WINE" winepath -w "$1" 2>/dev/null)" && xdotool key Return
    }
    refused() { [[ "$(e2e_probe windows '#32770')" == *"This bitmap is not usable as a skin !"* ]]; }
    as_9x
    start_9x_ready
    e2e_check "the menu of the 9x family has no Processes..." \
        menu_is "$(nt_menu | grep -v Processes)" "$(e2e_open_menu $(e2e_centre $(e2e_window_geometry)))"
    e2e_close_menu || e2e_abort "Escape does not close the menu"
    xdotool mousemove $(e2e_icon_centre) click --repeat 2 --delay 80 1
    for skin in heat narrow light fine classic; do
        if [ "$skin" = narrow ]; then
            e2e_pick "&Skin..." && choose "$narrow" || e2e_abort "\"&Skin...\" opens no file dialog"
            e2e_check "a bitmap narrower than a frame is refused with a message" e2e_wait_for 10 refused
            xdotool key Return
            e2e_check "then the built-in skin shows at the next tick" e2e_wait_frames 6 't == 0 && w == 0' refused
            continue
        fi
        path=$E2E_WORK/skins/$skin.bmp
        [ "$skin" = heat ] || e2e_pick "&Skin..." || e2e_abort "\"&Skin...\" opens no menu"
        choose "$path" || e2e_abort "no file dialog for $skin.bmp"
        # Wine's tray draws a new icon over the old one without erasing it:
        # the icon is added afresh.
        e2e_command 106 && e2e_command 106
        last=$(($(identify -format %w "$path") / 16 - 1))
        e2e_check "$skin.bmp shows its idle frame exactly in both displays" e2e_wait_for 10 shows "$path" 0
        set_load 100
        e2e_check "and its frame $last at a full load" e2e_wait_for 10 shows "$path" "$last"
        set_load 0
    done
    path=$("$E2E_WINE" winepath -w "$path" 2>/dev/null) || e2e_abort "no Windows path for $skin.bmp"
    e2e_check "the skin is stored" [ "$(e2e_settings_value Skin)" = "$path" ]
    e2e_check_exit
    rm -f "$E2E_WORK/skins/$skin.bmp"
    start_9x_ready
    e2e_check "without the file the built-in skin shows" e2e_wait_frames 5 't == 0 && w == 0' builtin
    e2e_check_exit
    e2e_check "the stored path stays" [ "$(e2e_settings_value Skin)" = "$path" ]
}

# Within reach when the world changes: a window stored off every screen
# comes back, the icon returns with a restarted shell, and a stray right
# click in the menu picks nothing.
nt_reach() {
    on_screen_20x20() {
        set -- $(e2e_window_geometry) $(xdotool getdisplaygeometry)
        (($1 >= 0 && $2 >= 0 && $1 + $3 <= $5 && $2 + $4 <= $6 && $3 == 20 && $4 == 20))
    }
    running_with_menu() { sleep 1; kill -0 "$E2E_METER" && e2e_menu_geometry >/dev/null; }
    set_dwords Desktop=1 PosLEFT=3000 PosTOP=2000 PosRIGHT=3020 PosBOTTOM=2020
    start_ready
    e2e_check "a window stored off every screen shows on it, its size kept" on_screen_20x20
    e2e_check "and nothing is written back before Exit" [ "$(($(e2e_settings_value PosLEFT)))" = 3000 ]
    # Where the menu shows "Exit".
    set -- $(e2e_open_menu $(e2e_centre $(e2e_window_geometry)) | awk -F'\t' '$1 == "101 E&xit" { print $2 }')
    [ $# = 4 ] || e2e_abort "the menu shows no Exit"
    xdotool mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) sleep 0.3 click 3
    e2e_check "a right click on Exit leaves the meter running and the menu open" running_with_menu
    e2e_close_menu || e2e_abort "Escape does not close the menu"
    e2e_command 103
    e2e_check "Suspend shows frame 0" e2e_wait_frames 5 't == 0 && w == 0' suspended
    e2e_probe delete-icon Gaugelet 0xFFFFFFFF || e2e_abort "cannot delete the meter's icon"
    e2e_check "a restarting shell loses the icon" e2e_wait_for 10 e2e_not e2e_tray_geometry
    e2e_probe post '*' TaskbarCreated 0 || e2e_abort "cannot broadcast TaskbarCreated"
    e2e_check "TaskbarCreated brings it back with the current frame" e2e_wait_frames 10 't == 0' shell-restarted
    e2e_check "and the current tooltip" tooltip_is "gaugelet (suspended)"
    e2e_check_exit
}

# On the 9x family, fed its load: at 96, 144 and 192 dpi the window comes
# back where it was stored, at its size for the DPI. At the whole scales it
# shows the built-in skin's frames 0 and 11 (and 5 at half a load at 96 dpi)
# at that scale, the notification icon shows them sharp at
# whatever scale the tray gives its icons, and the window's transparent
# colour shows nowhere; the frame strip's own Wine test checks the pixels
# of every scale, fractional ones included.
nt_dpi() {
    local dpi side load frame
    both_show() {
        local area=$((dpi * dpi / 9216))
        e2e_wait_frames 10 "t == $frame && w == $frame && ta >= 1 && wa == $area" "$dpi-$frame" &&
            [ "$(e2e_count_colour "$E2E_SHOT" $E2E_WINDOW_AT F5F5F5)" = 0 ]
    }
    as_9x
    set_dwords PosLEFT=300 PosTOP=200 PosRIGHT=320 PosBOTTOM=220
    for dpi in 96 144 192; do
        # The tray and the meter read the DPI as they start.
        e2e_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$dpi"
        timeout 20 "$E2E_WINE" wineserver -k
        start_9x_ready
        side=$((20 * dpi / 96))
        e2e_check "at $dpi dpi the window is $side pixels square where it was stored" geometry_is "300 200 $side $side"
        [ $((dpi % 96)) != 0 ] || for load in 0 $([ "$dpi" = 96 ] && echo 50) 100; do
            set_load "$load"
            frame=$((11 * load / 100))
            e2e_check "at $dpi dpi both displays show frame $frame, the window at $((dpi / 96)) times its size" both_show
        done
        e2e_check_exit
    done
}

"$5"
e2e_finish
