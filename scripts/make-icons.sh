#!/bin/bash
# Draws the control's icon (a picture with an upload arrow) and its 16 x 15, 16-colour
# toolbox bitmap into res/. Run by hand when the artwork changes; the results are committed.
set -euo pipefail
cd "$(dirname "$0")/../res"
IM=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
draw() {  # size file
    local s=$1 out=$2
    $IM -size "${s}x${s}" xc:none \
        -fill '#2f6fc9' -stroke '#1d4f99' -strokewidth 1 \
        -draw "roundrectangle 0,$((s/8)) $((s-1)),$((s-1)) $((s/6)),$((s/6))" \
        -fill '#ffffff' -stroke none \
        -draw "rectangle $((s/6)),$((s/3)) $((s*5/6)),$((s*5/6))" \
        -fill '#7cc16a' -draw "polygon $((s/6)),$((s*5/6)) $((s*2/5)),$((s/2)) $((s*3/5)),$((s*5/6))" \
        -fill '#4aa0e0' -draw "polygon $((s*2/5)),$((s*5/6)) $((s*3/5)),$((s*3/5)) $((s*5/6)),$((s*5/6))" \
        -fill '#f2b01e' -draw "circle $((s*2/3)),$((s*5/12)) $((s*2/3+s/14+1)),$((s*5/12))" \
        -fill '#ffffff' -stroke '#1d4f99' -strokewidth 1 \
        -draw "polygon $((s/2)),0 $((s*3/4)),$((s/4)) $((s*5/8)),$((s/4)) $((s*5/8)),$((s*2/5)) $((s*3/8)),$((s*2/5)) $((s*3/8)),$((s/4)) $((s/4)),$((s/4))" \
        "$out"
}
draw 32 "$tmp/32.png"
draw 16 "$tmp/16.png"
$IM "$tmp/16.png" "$tmp/32.png" tessaline.ico
$IM "$tmp/16.png" -background '#c0c0c0' -flatten -crop 16x15+0+1 +repage \
    -colors 16 -type Palette BMP3:toolbox.bmp
