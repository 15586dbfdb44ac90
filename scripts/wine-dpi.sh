# Sourced after wine-env.sh, with WINEPREFIX the prefix of the runs at another dpi: Wine takes
# the dpi from the registry value LogPixels (HKCU\Control Panel\Desktop) once, as a process
# starts. The tree's own prefix serves the tests side by side, which must keep seeing 96 dpi,
# so these runs use a prefix of their own beside it ($TREE/wineprefix-dpi), made at its
# first use. RUN is how a Windows program is run (wine-run.sh, or "$WINE" on a display of
# the caller's own).
#   dpi_begin RUN   makes the prefix if needed and remembers LogPixels as it is
#   dpi_set N       LogPixels = N for the processes started from now on
#   dpi_end         puts LogPixels back as it was and ends this prefix's server
# shellcheck shell=bash
dpi_run=() dpi_before=""

dpi_begin() {
    dpi_run=("$@")
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "$(basename "$0"): creating $WINEPREFIX" >&2
        "${dpi_run[@]}" wineboot -i >/dev/null 2>&1
    fi
    dpi_before=$("${dpi_run[@]}" reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null |
        tr -d '\r' | awk '$1 == "LogPixels" { print $3 }') || true  # none: Wine's default
}

dpi_set() {
    "${dpi_run[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

dpi_end() {
    [ ${#dpi_run[@]} -gt 0 ] || return 0
    if [ -n "$dpi_before" ]; then
        dpi_set "$((dpi_before))"
    else
        "${dpi_run[@]}" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
    fi
    wineserver -k 2>/dev/null || true
}
