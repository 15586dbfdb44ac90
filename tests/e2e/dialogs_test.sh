#!/bin/bash
# The control's own dialogs on a screen, read and clicked as a person would:
#   dialogs_test.sh about       a page's script calls AboutBox: the box shows the product and
#                               its version, and the call returns once its OK button is clicked
#   dialogs_test.sh properties  the host opens the property frame, once with the pages the
#                               control lists (ISpecifyPropertyPages) and once through the
#                               control's Properties verb: the frame shows the General page,
#                               and OK closes it with no property changed
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=screen.sh
. "$here/screen.sh"
work=$(mktemp -d)
trap 'screen_stop; rm -rf "$work"' EXIT
# Waits up to 20 s for a line in a program's output (Wine's console ends lines with CR LF).
wait_for_line() {  # file line
    for _ in $(seq 200); do
        tr -d '\r' <"$1" 2>/dev/null | grep -qxF -- "$2" && return 0
        sleep 0.1
    done
    return 1
}

register_control || exit 1
screen_start || exit 1

about_box() {
    cat >"$work/about.js" <<'SCRIPT'
var ctrl = new ActiveXObject("TESSALINE.TessalineCtrl.1");
WScript.Echo("about box: opening");
ctrl.AboutBox();
WScript.Echo("about box: closed");
SCRIPT
    in_desktop "$work/script.out" cscript //nologo "$("$WINE" winepath -w "$work/about.js" 2>/dev/null)"
    probe "About Halvane Media Tools" >"$work/box" || { fail "no About box: $(cat "$work/script.out")"; return; }
    grep -q '^window #32770 0 .* "About Halvane Media Tools"$' "$work/box" || fail "About box: $(head -1 "$work/box")"
    [ -n "$(line_of "$work/box" Static -1 "Halvane Media Tools, Version 1.3.101.020")" ] || fail "no version line"
    [ -n "$(line_of "$work/box" Static -1 "(picture)")" ] || fail "no icon"
    grep -q '^child Static -1 .* visible enabled "Copyright (C) .*Halvane Media' "$work/box" || fail "no legal notice"
    local ok
    ok=$(line_of "$work/box" Button 1 OK)
    [ -n "$ok" ] || { fail "no OK button: $(cat "$work/box")"; return; }
    # The method has not returned while the box is up.
    wait_for_line "$work/script.out" "about box: opening" || fail "the script did not start"
    grep -q "about box: closed" "$work/script.out" && fail "AboutBox returned before the box was closed"
    click "$ok"
    probe "About Halvane Media Tools" --gone >/dev/null || fail "the About box is still there after OK"
    wait_for_line "$work/script.out" "about box: closed" || fail "AboutBox did not return: $(cat "$work/script.out")"
}

property_frame() {  # host option
    in_desktop "$work/host.out" "$host" "$1" --close-after 200
    probe "Halvane Media Tools" >"$work/frame" || { fail "$1: no property frame: $(cat "$work/host.out")"; return; }
    # The page fills the frame's page area once the frame has laid itself out.
    local page site
    for _ in $(seq 30); do
        site=$(awk '$1 == "child" && $2 == "#32770" { print $4, $5; exit }' "$work/frame")
        page=$(awk '$1 == "child" && $2 == "#32770" { n++; if (n == 2) { print $4, $5; exit } }' "$work/frame")
        [ -n "$page" ] && [ "$page" = "$site" ] && break
        sleep 0.1
        probe "Halvane Media Tools" >"$work/frame"
    done
    [ -n "$page" ] && [ "$page" = "$site" ] || fail "$1: the page ($page) does not fill its place ($site)"
    grep -q '^window #32770 0 .* "Halvane Media Tools' "$work/frame" || fail "$1: frame $(head -1 "$work/frame")"
    grep -q '^child SysTabControl32 ' "$work/frame" || fail "$1: no tab"
    [ -n "$(line_of "$work/frame" Static -1 \
        "TODO: Place controls to manipulate properties of Tessaline Control on this dialog.")" ] ||
        fail "$1: not the General page: $(cat "$work/frame")"
    local ok
    ok=$(line_of "$work/frame" Button 1 "确定")
    [ -n "$ok" ] || { fail "$1: no OK button: $(cat "$work/frame")"; return; }
    click "$ok"
    wait_for_line "$work/host.out" "host: property frame closed (0x00000000), control modified: no" ||
        fail "$1: $(tr -d '\r' <"$work/host.out")"
    probe "Halvane Media Tools" --gone >/dev/null || fail "$1: the frame is still there after OK"
    # The host ends shortly after: the next frame must not meet this one's desktop going away.
    probe "TESSALINE host" --gone >/dev/null || fail "$1: the host did not end"
}

case "${1:-}" in
about) about_box ;;
properties)
    property_frame --properties
    property_frame --properties-verb
    ;;
*) echo "usage: dialogs_test.sh about|properties"; exit 2 ;;
esac
[ $failures -eq 0 ] && echo "dialogs $1: all checks passed"
exit $failures
