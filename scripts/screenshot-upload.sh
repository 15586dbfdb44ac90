#!/bin/bash
# Screenshots of an upload in the host program, in a framed Wine desktop on a private Xvfb
# display: the progress dialog during a pass (answers that come slowly) and the result
# dialog at the end of a pass into an album whose server-side quota is nearly used up.
#   screenshot-upload.sh WIN_BUILD_DIR NATIVE_BIN_DIR PICTURES_DIR OUT_DIR
set -euo pipefail
win=$(realpath "$1") bin=$(realpath "$2") pictures=$3 out=$(realpath "$4")
export WINEPREFIX=$win/wineprefix
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"
# shellcheck source=servers.sh
. "$(dirname "$0")/servers.sh"
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

printf '10001 4194304 Travel\n10001 96 Small\n' >"$work/accounts.txt"
album_server_start "$bin" "$work" Small --secret screenshots || exit 1
pids+=("$album_pid")
fault_server_start "$bin" "$work" --mode /slow/25 || exit 1
pids+=("$fault_pid")

fdfile=$work/display
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
export DISPLAY=:$(tr -d '\n' <"$fdfile")
"$WINE" regsvr32 /s "$win/bin/tessaline.ocx" >/dev/null 2>&1
folder=$("$WINE" winepath -w "$pictures" 2>/dev/null)

# Runs the host until it reports the watched window, then takes the screenshot.
shoot() {  # OUT.png TITLE-TEXT host-options...
    local png=$1 title=$2
    shift 2
    local log=$work/host.log
    : >"$log"
    "$WINE" explorer /desktop=tessaline,1024x768 "$win/bin/host.exe" --close-after 60000 \
        --set KXUin=10001 --set AlbumName=Small --set Signature="$album_signature" --set SpaceSize=4096 \
        --report-window "$title" --open-folder "$folder" --upload "$@" >"$log" 2>&1 &
    local host=$!
    for _ in $(seq 600); do
        grep -q '^window shown: 1' "$log" && break
        kill -0 "$host" 2>/dev/null || break
        sleep 0.05
    done
    grep -q '^window shown: 1' "$log" || { echo "screenshot-upload: no \"$title\" window" >&2; cat "$log" >&2; return 1; }
    import -window root "$png"
    # The host runs inside the desktop's process tree: it is ended by its Windows process id.
    local winpid
    winpid=$(sed -n 's/^host: ready, .*process \([0-9]*\)$/\1/p' "$log")
    [ -n "$winpid" ] && "$WINE" taskkill /f /pid "$winpid" >/dev/null 2>&1
    wait "$host" 2>/dev/null || true
    echo "screenshot: $png"
}
shoot "$out/upload-progress.png" "已完成 1" --set UploadCGI="http://127.0.0.1:$fault_port/cgi-bin/upload"
shoot "$out/upload-result.png" "上传结果" --set UploadCGI="http://127.0.0.1:$album_port/cgi-bin/upload"
