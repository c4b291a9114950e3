#!/bin/bash
# The meter stays within reach when the world around it changes: a window
# stored off every screen comes back (and one partly shown stays), the
# notification icon returns with a restarted shell, and a stray right click
# in the context menu picks nothing.
#   nt_reach.sh GAUGELET_EXE PROBE_EXE WORK_ROOT
. "$(dirname "$0")/lib.sh"
e2e_init nt_reach "$@"

store_rect() {
    e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' PosLEFT REG_DWORD "$1"
    e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' PosTOP REG_DWORD "$2"
    e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' PosRIGHT REG_DWORD "$3"
    e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' PosBOTTOM REG_DWORD "$4"
}
on_screen_20x20() {
    set -- $(e2e_window_rect Gaugelet)
    [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ "$3" -le 1024 ] && [ "$4" -le 768 ] &&
        [ $(($3 - $1)) = 20 ] && [ $(($4 - $2)) = 20 ]
}
tray_gone() { ! e2e_tray_geometry >/dev/null; }
running_with_menu() { sleep 1; kill -0 "$E2E_METER" && e2e_menu_shown; }

e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' Desktop REG_DWORD 1
store_rect 3000 2000 3020 2020
e2e_start_meter
e2e_wait_meter_ready
e2e_log "  window at $(e2e_window_rect Gaugelet)"
e2e_check "a window stored off every screen shows on the screen, its size kept" on_screen_20x20
e2e_check "and nothing is written back before Exit" [ "$(($(e2e_settings_value PosLEFT)))" = 3000 ]

set -- $(e2e_window_rect Gaugelet)
menu=$(e2e_open_menu $(($1 + 10)) $(($2 + 10))) || e2e_abort "the menu did not open"
set -- $menu
[ "$(e2e_menu_rows $menu)" = 7 ] || e2e_abort "the menu has not seven rows: $menu"
# "Exit" is the last of the seven 17-pixel rows.
xdotool mousemove $(($1 + 20)) $(($4 - 11)) sleep 0.3 click 3
e2e_check "a right click on Exit leaves the meter running and the menu open" running_with_menu
e2e_close_menu || e2e_abort "Escape does not close the menu"

e2e_probe post-command Gaugelet 103
e2e_check "Suspend shows frame 0" e2e_wait_frames 5 't == 0 && w == 0' suspended
e2e_probe delete-icon Gaugelet 0xFFFFFFFF || e2e_abort "cannot delete the meter's icon"
e2e_check "a restarting shell loses the icon" e2e_wait_for 10 tray_gone
e2e_probe broadcast TaskbarCreated || e2e_abort "cannot broadcast TaskbarCreated"
e2e_check "TaskbarCreated brings it back with the current frame" \
    e2e_wait_frames 10 't == 0' shell-restarted
tip=$(e2e_tooltip)
e2e_log "  tooltip: $tip"
e2e_check "and the current tooltip" [ "$tip" = "gaugelet (suspended)" ]
e2e_check "Exit ends the meter with status 0" e2e_exit_meter

store_rect 1014 100 1034 120
e2e_start_meter
e2e_wait_meter_ready
e2e_check "a window partly on the screen stays exactly where it was stored" \
    [ "$(e2e_window_rect Gaugelet)" = "1014 100 1034 120" ]
e2e_check "Exit ends the second run with status 0" e2e_exit_meter
e2e_finish
