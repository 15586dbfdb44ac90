#!/bin/bash
# The main job until uploads land: register the control and open it in the host program,
# on this display when there is one, else on a private Xvfb with a screenshot to a file.
set -euo pipefail
win=$(realpath "${1:-build/win}")
here=$(cd "$(dirname "$0")/.." && pwd)
props=(--set AlbumName=Demo --set SpaceSize=51200 --set SpaceUsedSize=12288 --set KXUin=10001)
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export WINEPREFIX=$win/wineprefix
    # shellcheck source=wine-env.sh
    . "$here/scripts/wine-env.sh"
    "$WINE" regsvr32 /s "$win/bin/tessaline.ocx"
    echo "demo: the control in the host program; close its window to end"
    exec "$WINE" "$win/bin/host.exe" "${props[@]}"
fi
out=$here/build/demo.png
"$here/scripts/screenshot-host.sh" "$win" "$out" "${props[@]}"
echo "demo: no display here, so the host ran on a virtual one; its screenshot is $out"
