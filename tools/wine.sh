#!/bin/sh
# The one way this project starts Wine. Debian's `wine` wrapper prefers the
# 32-bit loader whenever wine32 is installed, and a kernel without 32-bit
# support answers it with "Exec format error"; there the 64-bit loader is
# started directly, and 32-bit programs cannot run at all.
#   wine.sh PROGRAM [ARGS]    a Windows exe, or a Wine tool (wineboot, reg, winepath)
#   wine.sh wineserver [ARGS]
#   wine.sh --can-run EXE     exit 0 if EXE can run here, else 77 with the reason
# Where Wine cannot start at all it says why and exits 77, ctest's "skipped".
loader32=/usr/lib/wine/wine
loader64=/usr/lib/wine/wine64

say_no() {
    echo "SKIPPED: $*" >&2
    exit 77
}

[ -x "$loader64" ] || [ -x "$loader32" ] ||
    say_no "Wine is not installed: run tools/install-deps.sh (Debian packages wine, wine64)"

kernel_runs_32bit() {
    [ -x "$loader32" ] && "$loader32" --version >/dev/null 2>&1
}

# True for a PE file built for i386 (machine 0x14c).
is_32bit_exe() {
    case "$1" in *.exe | *.EXE) ;; *) return 1 ;; esac
    [ -f "$1" ] || return 1
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    [ -n "$pe" ] || return 1
    [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')" = 014c ]
}

refuse_32bit_here() {
    if is_32bit_exe "$1" && ! kernel_runs_32bit; then
        say_no "this kernel cannot run 32-bit programs"
    fi
}

: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEDEBUG WINEDLLOVERRIDES

case "$1" in
--can-run)
    refuse_32bit_here "$2"
    exit 0
    ;;
wineserver)
    shift
    exec /usr/lib/wine/wineserver "$@"
    ;;
esac

refuse_32bit_here "$1"
if kernel_runs_32bit; then
    exec wine "$@"
fi
[ -x "$loader64" ] ||
    say_no "this kernel cannot run 32-bit programs and 64-bit Wine is missing: install wine64"
WINELOADER=$loader64
export WINELOADER
exec "$loader64" "$@"
