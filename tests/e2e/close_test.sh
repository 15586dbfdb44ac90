#!/bin/bash
# Every way a page lets go of the control, in the host program: its top-level window closed
# after a batch, during a pass and during each dialog, the control released first, and the
# control released from a timer while each of its modal loops runs (the space-full note,
# summary box, result dialog, close box's question, About box, property frame). Each run must end cleanly and
# soon (a closed page that hangs is killed after 20 s and fails); the release runs use the
# host's own site, whose frame hears each modal loop start and end. The host runs under a
# heap that fills freed blocks and checks them (the system's free and tail checking for
# host.exe), so that code running in a freed control meets garbage, not its old fields.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
# shellcheck source=../../scripts/servers.sh
. "$root/scripts/servers.sh"
run=$root/scripts/wine-run.sh
host=$(dirname "$TESSALINE_OCX")/host.exe
bin=${TESSALINE_NATIVE_BIN:?}
work=$(mktemp -d)
pids=()
ifeo='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\host.exe'
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    "$run" reg delete "$ifeo" /f >/dev/null 2>&1
    rm -f "${journals:-/nonexistent}"/pass-10001-*.journal
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/pictures"
for colour in red green; do convert -size 64x48 "xc:$colour" "$work/pictures/$colour.jpg"; done
album=Holiday
printf '10001 20480 %s\n' "$album" >"$work/accounts.txt"
album_server_start "$bin" "$work" "$album" --secret e2e || exit 1
pids+=("$album_pid")
fault_server_start "$bin" "$work" || exit 1
pids+=("$fault_pid")
"$run" regsvr32 /s "$TESSALINE_OCX" || { echo "cannot register"; exit 1; }
# FLG_HEAP_ENABLE_TAIL_CHECK | FLG_HEAP_ENABLE_FREE_CHECK | FLG_HEAP_VALIDATE_PARAMETERS |
# FLG_HEAP_VALIDATE_ALL: a write into a freed block is found at the next heap call
"$run" reg add "$ifeo" /v GlobalFlag /t REG_DWORD /d 0x870 /f >/dev/null || { echo "cannot set the heap checks"; exit 1; }

folder="Z:${work//\//\\}\\pictures"
# A case that closes the page mid-pass leaves its journal, whose question would greet the next
# case: each case starts without one.
journals=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Tessaline
stored=http://127.0.0.1:$album_port/cgi-bin/upload
stalled=http://127.0.0.1:$fault_port/stall
page=(--page-url http://127.0.0.1/upload.html)

# A run of the host that must end by itself within 20 s, with a clean exit and no word of
# a fault from Wine; its output in NAME.out.
run_case() {  # name url host-args...
    local name=$1 url=$2
    shift 2
    rm -f "$journals"/pass-10001-*.journal
    local start=$SECONDS
    WINEDEBUG=err+all,warn+heap timeout 20 "$run" "$host" --set KXUin=10001 --set AlbumName="$album" \
        --set Signature="$album_signature" --set SpaceSize=20480 --set UploadCGI="$url" "$@" \
        >"$work/$name.raw" 2>"$work/$name.err"
    local rc=$?
    tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
    echo "$name: exit $rc after $((SECONDS - start)) s"
    [ $rc -eq 0 ] || fail "$name: the host exited $rc: $(tr '\n' '|' <"$work/$name.out") $(tail -5 "$work/$name.err")"
    if grep -E 'err:heap|Unhandled|page fault|Assertion' "$work/$name.err" >/dev/null; then
        fail "$name: $(grep -E 'err:heap|Unhandled|page fault|Assertion' "$work/$name.err" | head -3)"
    fi
}
expect() {  # name line
    grep -qxF -- "$2" "$work/$1.out" || fail "$1: no \"$2\" in: $(tr '\n' '|' <"$work/$1.out")"
}
# The frame heard of every modal loop's start, and of as many ends.
expect_modal() {  # name
    local off on
    off=$(grep -cxF "host: frame modeless off" "$work/$1.out")
    on=$(grep -cxF "host: frame modeless on" "$work/$1.out")
    [ "$off" -ge 1 ] && [ "$off" = "$on" ] || fail "$1: the frame heard $off modal starts and $on ends"
}
upload=(--open-folder "$folder" --upload)

# The top-level window closed: after a finished batch, during a pass, during each dialog.
run_case after-batch "$stored" "${upload[@]}" --close-window 提示 --close-on-finish
expect after-batch "event UploadFinished"
run_case during-pass "$stalled" "${upload[@]}" --close-host-on-window 上传进度
run_case during-summary "$stored" "${upload[@]}" --close-host-on-window 提示
run_case during-result "$stored" "${upload[@]}" --set Signature=wrong --close-host-on-window 上传结果
run_case during-question "$stalled" "${upload[@]}" --close-window 上传进度 --close-host-on-window 提示
# The control let go of first, idle and after a batch, then the window.
run_case release-idle "$stored" --release-after 500 --close-after 1500
grep -h "^host: control released in" "$work/release-idle.out"
run_case release-after-batch "$stored" "${upload[@]}" --close-window 提示 --release-on-window 提示 \
    --close-host-on-window 提示

# Released from a timer while each modal loop runs, then the window closed.
run_case release-summary "$stored" "${page[@]}" "${upload[@]}" --release-on-window 提示 --close-host-on-window 提示
expect_modal release-summary
run_case release-note "$stored" "${page[@]}" "${upload[@]}" --set SpaceUsedSize=20480 \
    --release-on-window 提示 --close-host-on-window 提示
expect_modal release-note
run_case release-result "$stored" "${page[@]}" "${upload[@]}" --set Signature=wrong \
    --release-on-window 上传结果 --close-host-on-window 上传结果
expect_modal release-result
run_case release-question "$stalled" "${page[@]}" "${upload[@]}" --close-window 上传进度 \
    --release-on-window 提示 --close-host-on-window 提示
expect_modal release-question
run_case release-about "$stored" "${page[@]}" --about --release-on-window "About Halvane" \
    --close-window "About Halvane" --close-after 200
expect release-about "host: AboutBox returned 0x00000000"
expect_modal release-about
run_case release-properties "$stored" "${page[@]}" --properties-verb --release-on-window "Halvane Media Tools" \
    --close-window "Halvane Media Tools" --close-after 200
expect_modal release-properties

[ $failures -eq 0 ] && echo "close: all checks passed"
exit $failures
