#!/bin/bash
# The main job, as a site's user meets it: the album server with a demo album, a folder of
# sample pictures on drive C:, the registered control in the host program with the
# properties a page's script sets (the signature as the server printed it).
# With a display, a person uses it; closing the host stops the server. Without one, the same
# steps run on a private Xvfb, clicked as a person would (the end-to-end upload's steps,
# with one slow answer and one failure that "重新上传" mends), with a screenshot of each step
# and of the album's view in build/demo/.
#   demo.sh [WIN_BUILD_DIR [--shots DIR]]   (--shots: the steps on a virtual display into DIR)
set -euo pipefail
win=$(realpath "${1:-build/win}")
[ "${2:-}" = --shots ] && shots=$3 || shots=""
here=$(cd "$(dirname "$0")/.." && pwd)
native=$(dirname "$win")/native/bin
export WINEPREFIX=$win/wineprefix TESSALINE_OCX=$win/bin/tessaline.ocx TESSALINE_NATIVE_BIN=$native
export TESSALINE_DISPLAY_FILE=$win/display

if [ -n "$shots" ] || [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    out=${shots:-$here/build/demo}
    rm -rf "$out"
    mkdir -p "$out"
    echo "demo: no display here: the steps run on a virtual one"
    # The tree's Wine and its system processes run on a display of their own, as under
    # CTest, and are ended after the steps.
    "$here/scripts/wine-run.sh" --start >/dev/null
    trap '"$here/scripts/wine-run.sh" --stop' EXIT
    "$here/tests/e2e/upload_test.sh" album "$out"
    echo "demo: the screenshots of each step are in $out"
    exit 0
fi

# shellcheck source=wine-env.sh
. "$here/scripts/wine-env.sh"
work=$(mktemp -d)
album=我的相册
pictures=$WINEPREFIX/drive_c/示例图片
# shellcheck source=servers.sh
. "$here/scripts/servers.sh"
album_pid=""
cleanup() {
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null && wait "$album_pid" 2>/dev/null
    rm -rf "$work" "$pictures"
}
trap cleanup EXIT
"$here/scripts/make-sample-pictures.sh" "$pictures"
# An empty album of 20 MB.
printf '10001 20480 %s\n' "$album" >"$work/accounts.txt"
album_server_start "$native" "$work" "$album" || exit 1
port=$album_port
"$WINE" regsvr32 /s "$TESSALINE_OCX"
echo "demo: album \"$album\" at http://127.0.0.1:$port/ (view: http://127.0.0.1:$port/view/); the pictures"
echo "      are in the tree under 我的电脑, (C:), 示例图片; close the host's window to end"
"$WINE" "$win/bin/host.exe" --set KXUin=10001 --set AlbumName="$album" --set Signature="$album_signature" \
    --set SpaceSize=20480 --set SpaceUsedSize=0 --set LimitXSize=1024 --set LimitYSize=768 \
    --set UploadCGI="http://127.0.0.1:$port/cgi-bin/upload" | sed -u 's/\r$//'  # its events as they come
stored=$(find "$work/data/10001" -type f -printf '  %f %s bytes\n' 2>/dev/null)
echo "demo: the album server stored:"
echo "${stored:-  no picture}"
