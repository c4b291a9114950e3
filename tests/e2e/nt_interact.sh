#!/bin/bash
# The meter as a person works it: drag, the two context menus, the display
# switches, Suspend, watching one process, what does not end it, a hundred
# menus without a leak, Exit and the settings it keeps for the next start.
#   nt_interact.sh GAUGELET_EXE PROBE_EXE WORK_ROOT
. "$(dirname "$0")/lib.sh"
e2e_init nt_interact "$@"

e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' Desktop REG_DWORD 1
e2e_start_meter
e2e_wait_meter_ready

rect_is() { [ "$(e2e_window_rect Gaugelet)" = "$1" ]; }
state_has() { e2e_probe window-state Gaugelet | grep -q -w "$1"; }
tray_gone() { ! e2e_tray_geometry >/dev/null; }
still_running() { sleep 1; e2e_window_exists Gaugelet && kill -0 "$E2E_METER"; }

start=$(e2e_window_rect Gaugelet)
set -- $start
x=$(($1 + 10)) y=$(($2 + 10))
xdotool mousemove "$x" "$y" click 1
e2e_check "a click without a move leaves the window in place" rect_is "$start"
# Apart from the click by more than the double-click time.
sleep 0.7
xdotool mousemove "$x" "$y" mousedown 1 sleep 0.2 mousemove $((x + 20)) $((y + 10)) sleep 0.2 \
    mousemove $((x + 50)) $((y + 40)) sleep 0.2 mouseup 1
moved="$(($1 + 50)) $(($2 + 40)) $(($3 + 50)) $(($4 + 40))"
e2e_check "a drag moves the window by the cursor's offset" e2e_wait_for 5 rect_is "$moved"

xdotool mousemove $((x + 50)) $((y + 40)) click 1 key Escape
e2e_probe post-close Gaugelet
e2e_probe post-command Gaugelet 2
e2e_check "Escape, Close and Cancel leave the meter running" still_running

menu=$(e2e_open_menu $((x + 50)) $((y + 40)))
e2e_shot window-menu >/dev/null
e2e_log "  menu at $menu"
e2e_check "a right-click on the window opens the seven-item menu at the cursor" \
    [ "$(e2e_menu_rows $menu)" = 7 ] && [ "${menu%% *}" = $((x + 50)) ]
e2e_check "Escape closes the menu" e2e_close_menu
tray=$(e2e_tray_geometry) || e2e_abort "no notification icon"
set -- $tray
menu=$(e2e_open_menu $(($1 + 10)) $(($2 + 10)))
e2e_shot tray-menu >/dev/null
e2e_check "a right-click on the notification icon opens the menu" [ "$(e2e_menu_rows $menu)" = 7 ]
e2e_close_menu || e2e_abort "Escape does not close the menu"

e2e_probe post-command Gaugelet 105
e2e_check "Always On Top puts the window in the top-most band" e2e_wait_for 5 state_has topmost=1
e2e_probe post-command Gaugelet 105
e2e_check "and takes it out again" e2e_wait_for 5 state_has topmost=0
e2e_probe post-command Gaugelet 105

e2e_probe post-command Gaugelet 106
e2e_check "Display On Taskbar off removes the notification icon" e2e_wait_for 10 tray_gone
e2e_probe post-command Gaugelet 106
e2e_check "and on brings it back with a frame" e2e_wait_frames 10 't >= 0' taskbar-on

e2e_start_busy 12 2
e2e_check "two busy cores show a high frame" e2e_wait_frames 10 "$E2E_LOADED" busy
e2e_probe post-command Gaugelet 103
e2e_check "Suspend shows frame 0 under load" e2e_wait_frames 3 't == 0 && w == 0' suspended
sleep 2
e2e_check "and samples nothing while suspended" e2e_wait_frames 0 't == 0 && w == 0' still-suspended
tip=$(e2e_tooltip)
e2e_log "  tooltip: $tip"
e2e_check "the suspended tooltip says so" [ "$tip" = "gaugelet (suspended)" ]
e2e_probe post-command Gaugelet 103
e2e_check "Resume samples the load again" e2e_wait_frames 8 "$E2E_LOADED" resumed
tip=$(e2e_tooltip)
e2e_log "  tooltip: $tip"
e2e_check "the tooltip is plain again" [ "$tip" = gaugelet ]
timeout 20 tail --pid="$E2E_BUSY" -f /dev/null

# The process menu is filled when the menu opens; its items are numbered
# from 2000 in the order the probe reproduces. No probe may run while the
# menu is built, or it would be listed too.
choose_process() {
    local index
    xdotool mousemove $((x + 50)) $((y + 40)) click 3
    e2e_wait_for 10 e2e_menu_shown_x || return 1
    xdotool key Escape
    e2e_wait_for 10 e2e_menu_gone_x || return 1
    index=$(e2e_probe process-index "$1") || return 1
    e2e_log "  $1 is process item $index"
    e2e_probe post-command Gaugelet $((2000 + index)) || return 1
    sleep 0.5
    ! e2e_window_exists Error
}
e2e_start_busy 10 1
choose_process busyhelper || e2e_abort "cannot choose the busy helper"
e2e_check "watching the busy helper shows its full core" \
    e2e_wait_frames 8 't >= 6 && w >= 6' watch-busy
choose_process gaugelet || e2e_abort "cannot choose the meter's own process"
e2e_check "watching the meter itself shows idle while the helper works" \
    e2e_wait_frames 8 't <= 1 && w <= 1' watch-meter
timeout 20 tail --pid="$E2E_BUSY" -f /dev/null

# "_Total" is the last process item, whatever else is listed: up from the
# top to "Processes...", into the submenu, up to its last item.
xdotool mousemove $((x + 50)) $((y + 40)) click 3
e2e_wait_for 10 e2e_menu_shown_x || e2e_abort "the menu did not open"
xdotool key Up Up Right Up Return
e2e_wait_for 10 e2e_menu_gone_x || e2e_abort "the menu did not close"
e2e_start_busy 10 2
e2e_check "\"_Total\" returns to the whole processor" e2e_wait_frames 8 "$E2E_LOADED" total
timeout 20 tail --pid="$E2E_BUSY" -f /dev/null

before=$(e2e_probe gui-resources Gaugelet) || e2e_abort "no GUI object count of the meter"
for i in $(seq 100); do
    xdotool mousemove $((x + 50)) $((y + 40)) click 3
    e2e_wait_for 5 e2e_menu_shown_x || e2e_abort "menu $i did not open"
    xdotool key Escape
    e2e_wait_for 5 e2e_menu_gone_x || e2e_abort "menu $i did not close"
done
after=$(e2e_probe gui-resources Gaugelet) || e2e_abort "no GUI object count of the meter"
e2e_log "  GDI and USER objects before $before, after a hundred menus $after"
e2e_check "a hundred menus leak no GDI object" [ "${after%% *}" -le "${before%% *}" ]
if [ "${before#* }" != - ]; then
    e2e_check "a hundred menus leak no USER object" [ "${after#* }" -le "${before#* }" ]
fi

final=$(e2e_window_rect Gaugelet)
e2e_check "Exit ends the meter with status 0" e2e_exit_meter
no_crash() { ! grep -q -i 'unhandled exception' "$E2E_WORK/meter.log"; }
e2e_check "without a crash" no_crash
set -- $final
stored=""
for edge in posLEFT posTOP posRIGHT posBOTTOM; do
    stored="$stored $(($(e2e_settings_value $edge)))"
done
e2e_check "Exit stores the moved rectangle" [ "${stored# }" = "$final" ]
for flag in Desktop TaskBar TopMost; do
    e2e_check "Exit stores $flag on" [ "$(($(e2e_settings_value $flag)))" = 1 ]
done

e2e_start_meter
e2e_wait_meter_ready
e2e_check "the next start places the window there" rect_is "$final"
e2e_check "and keeps it top-most" state_has topmost=1
e2e_check "Exit ends the second run with status 0" e2e_exit_meter
e2e_finish
