#!/bin/bash
# A machine that cannot be reached: one message box naming it, then the
# meter watches the local machine with the plain tooltip.
#   nt_remote.sh GAUGELET_EXE PROBE_EXE WORK_ROOT
. "$(dirname "$0")/lib.sh"
e2e_init nt_remote "$@"

e2e_start_meter nosuchhost
e2e_wait_for 30 e2e_window_exists Error || e2e_abort "no message box titled Error"
text=$(e2e_probe child-texts Error)
e2e_log "  message box: $(printf '%s' "$text" | tr '\n' '|')"
e2e_check "the box says it failed to connect to nosuchhost" \
    grep -q -z -F "$(printf 'Failed to connect to \nnosuchhost')" <<<"$text"
e2e_probe post-command Error 1 || e2e_abort "cannot dismiss the message box"
connect_box_gone() { ! e2e_probe child-texts Error 2>/dev/null | grep -q nosuchhost; }
e2e_wait_for 10 connect_box_gone || e2e_abort "the message box stays after OK"

e2e_wait_meter_ready
# The window stays hidden: "Desktop" is off by default.
e2e_check "the meter goes on and shows the local load" e2e_wait_frames 20 "t >= 0 && t <= h + 1" local
e2e_check "the tooltip names no machine" [ "$(e2e_tooltip)" = gaugelet ]
e2e_check "Exit ends the meter with status 0" e2e_exit_meter
e2e_finish
