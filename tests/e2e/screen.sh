# Sourced by the end-to-end scripts that read and click the control's windows as a person
# would. They get an X display and a Wine desktop of their own: no other test's window can
# cover the one clicked, and the desktop frames windows as a user's screen does.
# Needs WINEPREFIX (and the tree's Wine environment); the caller's EXIT trap calls screen_stop.
# Gives host, the host program beside the control.
#   register_control             registers the control in the prefix, or says why it could not
#   screen_start                 the display and the desktop's name
#   in_desktop OUT PROG ARGS...  runs PROG in the desktop, in the background, output to OUT
#   probe TEXT [ARGS...]         window_probe on the desktop's windows, output in UTF-8
#   click LINE                   a left click in the middle of a window that probe printed
#   fail TEXT                    counts a failure in $failures and says what failed
#   winpath PATH                 the Windows path of a Linux path (drive Z:)
#   line_of LISTING CLASS ID TEXT  the line of a probe listing for that window
#   wait_until SECONDS COMMAND...  polls COMMAND until it succeeds, for up to SECONDS
# shellcheck shell=bash
# shellcheck source=../../scripts/wine-env.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
: "${TESSALINE_OCX:?}"
# shellcheck disable=SC2034  # for the caller
host=$(dirname "$TESSALINE_OCX")/host.exe
screen_probe_exe=$(dirname "$TESSALINE_OCX")/window_probe.exe
screen_wine_run=$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-run.sh
screen_xvfb_pid=""
screen_desktop="tessaline-e2e-$$"

register_control() {
    "$screen_wine_run" regsvr32 /s "$TESSALINE_OCX" || { echo "cannot register $TESSALINE_OCX"; return 1; }
}

screen_start() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    screen_xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.05
    done
    DISPLAY=:$(tr -d '\n' <"$fdfile")
    rm -f "$fdfile"
    [ "$DISPLAY" != ":" ] || { echo "screen: Xvfb did not start" >&2; return 1; }
    export DISPLAY
}

screen_stop() {
    [ -n "$screen_xvfb_pid" ] && kill "$screen_xvfb_pid" 2>/dev/null && wait "$screen_xvfb_pid" 2>/dev/null
    screen_xvfb_pid=""
}

in_desktop() {  # OUT PROG ARGS...
    local out=$1
    shift
    "$WINE" explorer "/desktop=$screen_desktop,1024x768" "$@" >"$out" 2>&1 &
}

probe() {  # TEXT [--gone] [--timeout MS]
    "$WINE" "$screen_probe_exe" "$@" --desktop "$screen_desktop" | tr -d '\r' | iconv -f GBK -t UTF-8
}

click() {  # a line of probe's output: KIND CLASS ID X,Y WxH ...
    local x y w h
    read -r x y w h < <(echo "$1" | awk '{ split($4, p, ","); split($5, s, "x"); print p[1], p[2], s[1], s[2] }')
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { echo "Z:${1//\//\\}"; }
line_of() {  # listing class id text
    awk -v c="$2" -v i="$3" -v t="\"$4\"" '$2 == c && $3 == i && substr($0, length($0) - length(t) + 1) == t' "$1" | head -1
}
wait_until() {  # seconds command...
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
