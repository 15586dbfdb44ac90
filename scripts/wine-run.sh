#!/bin/bash
# Runs a Windows program under Wine the way every test of the Windows tree does:
# the tree's own prefix, code page 936 (zh_CN), no debug noise and the tree's Xvfb display.
#   wine-run.sh --start   create the prefix if needed and start the display
#   wine-run.sh --stop    stop this prefix's wineserver and the display
#   wine-run.sh PROG ARGS run PROG (a .exe, or a Wine program such as regsvr32)
set -uo pipefail
: "${WINEPREFIX:?}" "${TESSALINE_DISPLAY_FILE:?}"
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"

# The display file names the display, its Xvfb's PID and that process's start time. A PID
# read back later may since belong to another program: it is ended only when it is still
# an Xvfb of this user that started at the recorded time.
start_time() { awk '{ print $22 }' "/proc/$1/stat" 2>/dev/null; }
stop_recorded_display() {
    [ -f "$TESSALINE_DISPLAY_FILE" ] || return 0
    local pid started
    read -r _ pid started <"$TESSALINE_DISPLAY_FILE"
    if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] && [ -O "/proc/$pid" ] &&
        [ -n "$started" ] && [ "$(start_time "$pid")" = "$started" ]; then
        kill "$pid" 2>/dev/null
    fi
    rm -f "$TESSALINE_DISPLAY_FILE"
}

start_display() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.05
    done
    [ -s "$fdfile" ] || { echo "wine-run: Xvfb did not start" >&2; return 1; }
    echo ":$(tr -d '\n' <"$fdfile") $pid $(start_time "$pid")" >"$TESSALINE_DISPLAY_FILE"
    rm -f "$fdfile"
}

case "${1:-}" in
--start)
    # A run that was cut short leaves its persistent server behind: the prefix is this
    # tree's own, so it is ended here.
    wineserver -k 2>/dev/null
    stop_recorded_display
    start_display || exit 1
    read -r DISPLAY _ <"$TESSALINE_DISPLAY_FILE"
    export DISPLAY
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-run: creating $WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1
    fi
    wineserver -w
    # One server and one set of system processes for the whole run, up before the first test:
    # test programs started side by side then never race to bring them up, nor pay for it again
    # after every pause. --stop ends them.
    wineserver -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot </dev/null >/dev/null 2>&1
    # The desktop too: left to come and go between programs, it would be started again by
    # one of them and hold that program's output open (see the keeper's source).
    # The run's first program must find it up: started by that program, it would hold the
    # program's output open instead.
    keeper=$(dirname "${TESSALINE_OCX:-.}")/desktop_keeper.exe
    if [ -f "$keeper" ]; then
        ready=$(mktemp -u /tmp/tessaline-desktop.XXXXXX)
        setsid "$WINE" "$keeper" "Z:${ready//\//\\}" </dev/null >/dev/null 2>&1 &
        for _ in $(seq 300); do
            [ -f "$ready" ] && break
            sleep 0.1
        done
        [ -f "$ready" ] || echo "wine-run: the desktop keeper did not say the desktop is up" >&2
        rm -f "$ready"
    fi
    exit 0
    ;;
--stop)
    wineserver -k 2>/dev/null
    stop_recorded_display
    exit 0
    ;;
esac

if [ -f "$TESSALINE_DISPLAY_FILE" ]; then
    read -r DISPLAY _ <"$TESSALINE_DISPLAY_FILE"
    export DISPLAY
    exec "$WINE" "$@"
fi
# Run on its own (outside CTest): a display of its own for this one program.
exec xvfb-run -a -s "-screen 0 1024x768x24" "$WINE" "$@"
