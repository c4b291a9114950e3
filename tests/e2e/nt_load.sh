#!/bin/bash
# The meter follows the machine's load in the notification icon and in its
# window: idle, two busy cores, idle again.
#   nt_load.sh GAUGELET_EXE PROBE_EXE WORK_ROOT
. "$(dirname "$0")/lib.sh"
e2e_init nt_load "$@"

e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' Desktop REG_DWORD 1
e2e_start_meter
e2e_wait_meter_ready

e2e_check "an idle machine shows frame 0 in the notification area and the window" \
    e2e_wait_frames 20 "$E2E_IDLE" idle
e2e_check "icon and window show the same frame" [ "$E2E_TRAY_FRAME" = "$E2E_WINDOW_FRAME" ]
convert "$E2E_SHOT" -crop 170x46+0+0 +repage "$E2E_WORK/screenshot.png"

e2e_start_busy 12 2
e2e_check "two busy cores move both displays well away from frame 0" \
    e2e_wait_frames 12 "$E2E_LOADED" loaded
timeout 20 tail --pid="$E2E_BUSY" -f /dev/null
e2e_check "the displays return to idle when the load stops" \
    e2e_wait_frames 20 "$E2E_IDLE" idle-again

e2e_check "Exit ends the meter with status 0" e2e_exit_meter
e2e_finish
