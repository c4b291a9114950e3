#!/bin/bash
# The 9x family: the meter shows the KERNEL\CPUUsage statistic that the
# probe writes under HKEY_DYN_DATA, and its menu offers no process list.
#   win9x.sh GAUGELET_EXE PROBE_EXE WORK_ROOT
. "$(dirname "$0")/lib.sh"
e2e_init win9x "$@"

e2e_reg_add 'HKCU\Software\Wine\AppDefaults\gaugelet.exe' Version REG_SZ win98
e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' Desktop REG_DWORD 1
timeout 60 "$E2E_WINE" reg add 'HKLM\System\CurrentControlSet\Control\PerfStats\Enum\KERNEL\CPUUsage' \
    /f >/dev/null 2>&1 || e2e_abort "cannot announce the statistic"

# The statistic lives as long as the wineserver, which the meter keeps.
e2e_start_meter
e2e_wait_for 30 e2e_window_exists Gaugelet || e2e_abort "no window titled Gaugelet"
for load in 100 0 50; do
    e2e_probe dyn-set 'PerfStats\StatData' 'KERNEL\CPUUsage' "$load" ||
        e2e_abort "the probe cannot write the statistic"
    expected=$((11 * load / 100))
    e2e_check "a load of $load% shows frame $expected in the notification area and the window" \
        e2e_wait_frames 10 "t == $expected && w == $expected" "load-$load"
done

rect=$(e2e_window_rect Gaugelet)
set -- $rect
menu=$(e2e_open_menu $(($1 + 10)) $(($2 + 10))) || e2e_abort "no menu on a right-click"
e2e_shot menu >/dev/null
e2e_log "  menu at $menu"
e2e_check "the menu has six items, no Processes..." [ "$(e2e_menu_rows $menu)" = 6 ]
e2e_close_menu || e2e_abort "Escape does not close the menu"

e2e_check "Exit ends the meter with status 0" e2e_exit_meter
e2e_finish
