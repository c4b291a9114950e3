#!/bin/bash
# At 96, 144 and 192 dpi both displays show the built-in skin's frames 0 and
# 11 pixel for pixel, scaled by nearest neighbour to the notification area's
# icon size and the window's DPI. The 9x mode lets the probe set the load.
#   nt_dpi.sh GAUGELET_EXE PROBE_EXE WORK_ROOT
. "$(dirname "$0")/lib.sh"
e2e_init nt_dpi "$@"
skin="$(dirname "$0")/../../res/skin130.bmp"
e2e_reg_add 'HKCU\Software\Wine\AppDefaults\gaugelet.exe' Version REG_SZ win98
e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' Desktop REG_DWORD 1
for corner in LEFT:300 TOP:200 RIGHT:320 BOTTOM:220; do
    e2e_reg_add 'HKCU\Software\Brindleworks\Gaugelet' "Pos${corner%:*}" REG_DWORD "${corner#*:}"
done
timeout 60 "$E2E_WINE" reg add 'HKLM\System\CurrentControlSet\Control\PerfStats\Enum\KERNEL\CPUUsage' \
    /f >/dev/null 2>&1 || e2e_abort "cannot announce the statistic"

set_load() {
    timeout 30 "$E2E_WINE" "$E2E_WORK/probe.exe" dyn-set 'PerfStats\StatData' 'KERNEL\CPUUsage' "$1" \
        2>>"$E2E_WORK/probe.log" || e2e_abort "the probe cannot write the statistic"
}

# "s|r x y RRGGBB" for every pixel of a region of an image.
pixels() {
    convert "$2" -crop "$5x$6+$3+$4" +repage -depth 8 txt:- | awk -v tag="$1" -F'[,: ]+' '
        !/^#/ { for (i = 3; i <= NF; i++) if ($i ~ /^#/ && length($i) >= 7) {
                    print tag, $1, $2, toupper(substr($i, 2, 6)); break } }'
}

# SHOT FRAME SIZE KEYED ROWS X Y W H: somewhere in the region, frame FRAME
# scaled to SIZE, each pixel the source pixel whose centre is nearest,
# transparent ones showing KEYED in the first ROWS rows and black below.
shows_frame() {
    { pixels s "$skin" $((16 * $2)) 0 16 16; pixels r "$1" "$6" "$7" "$8" "$9"; } |
        awk -v n="$3" -v keyed="$4" -v rows="$5" -v w="$8" -v h="$9" '
            $1 == "s" { src[$2, $3] = $4; sources++; next }
            { shot[$2, $3] = $4; shown++ }
            END {
                if (sources != 256 || shown != w * h) exit 1
                for (oy = 0; oy + n <= h; oy++) for (ox = 0; ox + n <= w; ox++) {
                    ok = 1
                    for (j = 0; ok && j < n; j++) for (i = 0; ok && i < n; i++) {
                        want = src[int((2 * i + 1) * 8 / n), int((2 * j + 1) * 8 / n)]
                        if (want == "008080") want = j < rows ? keyed : "000000"
                        ok = shot[ox + i, oy + j] == want
                    }
                    if (ok) exit 0
                }
                exit 1
            }'
}

# Wine's tray has one slot as high as its window, the icon 2 pixels in.
# Wine's shell32 sends an icon's mask in (SIZE * SIZE + 15) / 16 * 2 bytes,
# though its rows are padded to 16 bits: a 24-pixel icon loses 6 rows of
# it. On a bare X server Wine draws the window's keyed button face black.
both_show() {
    local tray window shot size
    tray=$(e2e_tray_geometry) && window=$(e2e_window_geometry) && shot=$(e2e_shot "$dpi-$1") || return 1
    set -- "$1" $tray
    size=$(($5 - 4))
    shows_frame "$shot" "$1" "$size" FFFFFF $(((size * size + 15) / 16 / ((size + 15) / 16))) \
        "$2" "$3" "$5" "$5" &&
        shows_frame "$shot" "$1" $((16 * dpi / 96)) 000000 999 $window &&
        [ "$(e2e_count_colour "$shot" $window F5F5F5)" = 0 ]
}

for dpi in 96 144 192; do
    # The tray and the meter read the DPI as they start.
    e2e_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$dpi"
    timeout 20 "$E2E_WINE" wineserver -k
    e2e_start_meter
    e2e_wait_for 30 e2e_window_geometry >/dev/null || e2e_abort "no meter window at $dpi dpi"
    set_load 0  # a 9x meter shows nothing until the statistic has a value
    e2e_wait_meter_ready
    e2e_log "  $dpi dpi: tray $(e2e_tray_geometry), window $(e2e_window_geometry)"
    side=$((20 * dpi / 96))
    e2e_check "at $dpi dpi the window is $side pixels square where it was stored" \
        [ "$(e2e_window_geometry)" = "300 200 $side $side" ]
    for load in 0 100; do
        set_load "$load"
        e2e_check "at $dpi dpi both displays show frame $((11 * load / 100)) scaled pixel for pixel" \
            e2e_wait_for 10 both_show $((11 * load / 100))
    done
    e2e_check "Exit ends the meter with status 0" e2e_exit_meter
done
e2e_finish
