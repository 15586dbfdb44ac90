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
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

# "listening 127.0.0.1:PORT" is each server's first line.
port_of() {
    for _ in $(seq 200); do
        if head -1 "$1" 2>/dev/null | grep -q '^listening '; then head -1 "$1" | sed 's/.*://'; return 0; fi
        sleep 0.05
    done
    echo "screenshot-upload: a server did not start" >&2
    return 1
}
printf '10001 4194304 Travel\n10001 96 Small\n' >"$work/accounts.txt"
"$bin/album-server" 0 "$work/data" "$work/accounts.txt" --secret screenshots >"$work/album.out" 2>&1 &
pids+=($!)
"$bin/fault-server" 0 --mode /slow/25 >"$work/fault.out" 2>&1 &
pids+=($!)
album_port=$(port_of "$work/album.out")
fault_port=$(port_of "$work/fault.out")
for _ in $(seq 100); do grep -q ' Small$' "$work/album.out" && break; sleep 0.05; done
signature=$(awk '$1 == "signature" && $4 == "Small" { print $3 }' "$work/album.out")

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
        --set KXUin=10001 --set AlbumName=Small --set Signature="$signature" --set SpaceSize=4096 \
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
