#!/bin/bash
# Screenshots of the control for docs/, each taken in the host program on a private display.
set -euo pipefail
win=$(realpath "${1:-build/win}")
here=$(cd "$(dirname "$0")/.." && pwd)
pictures=$(mktemp -d)
trap 'rm -rf "$pictures"' EXIT
# A folder of pictures to show: a few photographs' worth of coloured noise and gradients.
for i in 1 2 3 4 5 6 7; do
    /usr/bin/convert -size 320x240 -seed $i "plasma:" "$pictures/IMG_000$i.jpg"
done
/usr/bin/convert -size 300x200 gradient:'#f4a460-#4682b4' "$pictures/sunset.gif"
folder=$(WINEPREFIX=$win/wineprefix && . "$here/scripts/wine-env.sh" && "$WINE" winepath -w "$pictures" 2>/dev/null)
# The panel at 96 dpi, and on the screens of 150% and 200% laptops.
for dpi in 96 144 192; do
    name=control-in-host$([ "$dpi" = 96 ] || echo "-${dpi}dpi").png
    "$here/scripts/screenshot-host.sh" "$win" "$here/docs/$name" --dpi "$dpi" \
        --set AlbumName=Demo --set SpaceSize=51200 --set SpaceUsedSize=12288 --open-folder "$folder"
done
"$here/scripts/screenshot-upload.sh" "$win" "$(dirname "$win")/native/bin" "$pictures" "$here/docs"
# The demo's steps, for the README: selection, progress mid-pass, the summary, the album view.
shots=$(mktemp -d)
trap 'rm -rf "$pictures" "$shots"' EXIT
"$here/scripts/demo.sh" "$win" --shots "$shots" >/dev/null
for step in 3-selection:selection 4-progress:progress 5-result:result 7-album-view:album-view; do
    cp "$shots/${step%%:*}.png" "$here/docs/demo-${step#*:}.png"
done
