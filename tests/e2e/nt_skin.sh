#!/bin/bash
# A skin file stored in the settings is what both displays show; once the
# file is gone the built-in skin returns and the stored path stays.
#   nt_skin.sh GAUGELET_EXE PROBE_EXE WORK_ROOT
. "$(dirname "$0")/lib.sh"
e2e_init nt_skin "$@"

# Four frames of solid colours that no 16-colour palette holds, each inside a
# border of the transparent colour.
skin="$E2E_WORK/colours.bmp"
colours="FF8000 0080FF 80FF00 FF0080"
frames=""
for colour in $colours; do
    frames="$frames ( -size 12x12 xc:#$colour -bordercolor #008080 -border 2 )"
done
convert $frames +append -type truecolor "BMP3:$skin" || e2e_abort "cannot write $skin"
windows_path=$("$E2E_WINE" winepath -w "$skin" 2>/dev/null) || e2e_abort "no Windows path for $skin"
e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' Skin REG_SZ "$windows_path"
e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' Desktop REG_DWORD 1

# Both displays show one whole frame of the skin in its exact colour.
shows_skin_frame() {
    local tray window shot colour
    tray=$(e2e_tray_geometry) && window=$(e2e_window_geometry) && shot=$(e2e_shot "$1") || return 1
    [ "$(e2e_count_colour "$shot" $tray 008080)" = 0 ] || return 1
    for colour in $colours; do
        [ "$(e2e_count_colour "$shot" $tray "$colour")" = 144 ] &&
            [ "$(e2e_count_colour "$shot" $window "$colour")" = 144 ] && return 0
    done
    return 1
}

e2e_start_meter
e2e_wait_meter_ready
e2e_check "both displays show a frame of the skin in its own colours, its border transparent" \
    e2e_wait_for 20 shows_skin_frame skin
e2e_check "Exit ends the meter with status 0" e2e_exit_meter

rm -f "$skin"
e2e_start_meter
e2e_wait_meter_ready
e2e_check "without the file the built-in skin shows" e2e_wait_frames 20 't >= 0 && w >= 0' builtin
e2e_check "Exit ends the meter with status 0" e2e_exit_meter
e2e_check "the stored path stays" [ "$(e2e_settings_value Skin)" = "$windows_path" ]
e2e_finish
