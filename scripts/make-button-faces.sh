#!/bin/bash
# Draws the main panel's skinned button faces (bitmaps 212 to 220, 24-bit BMP) into
# res/buttons/, and the splitter's drag cursor (cursor 208) into res/splitter.cur. Run by
# hand when the artwork changes; the results are committed. Every run gives byte-identical
# files. The faces carry no caption: the button stretches its face to its size at the
# screen's dpi and draws its own text over it at the font's real size.
#
#   212 213 214  "立即上传"  72 x 25  normal, pressed, disabled  (primary action, blue)
#   218 219 220  "全选"      46 x 25  normal, pressed, disabled
#   215 216 217  "全否"      45 x 25  normal, pressed, disabled
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
res="$here/../res"
IM=/usr/bin/convert
mkdir -p "$res/buttons"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The corners blend into this neutral tone, half way between the two usual button-face
# colours, so that the 1-pixel rounding reads well on whatever skin colour the page sets.
CORNER='#dedbd2'

# Palette per look:  top bottom border highlight(row 1)
#   secondary buttons
S_N=('#ffffff' '#dde3ec' '#8d9ab0' '#ffffff')
S_P=('#c9d2df' '#e3e8ef' '#6f7e96' '#b7c2d2')
#   primary button
P_N=('#5b9ded' '#2f6fc9' '#2259a8' '#86b8f3')
P_P=('#2358a5' '#3271c6' '#1a4788' '#1c4d93')
#   both, disabled
D=('#e9e9e9' '#e9e9e9' '#b9b9b9' '#f2f2f2')

# mix A B: the colour half way between two #rrggbb colours.
mix() {
    local a=${1#\#} b=${2#\#} i out='#'
    for i in 0 2 4; do
        out+=$(printf '%02x' $(( (16#${a:i:2} + 16#${b:i:2} + 1) / 2 )))
    done
    echo "$out"
}

# face OUT W H top bottom border highlight
face() {
    local out=$1 w=$2 h=$3
    local top=$4 bot=$5 border=$6 hi=$7
    local iw=$((w - 2)) ih=$((h - 2)) r=$((w - 1)) b=$((h - 1))
    local args=(
        -size "${w}x${h}" "xc:$border"
        \( -size "${iw}x${ih}" "gradient:$top-$bot" \) -geometry +1+1 -composite
        -stroke none -fill "$hi" -draw "rectangle 1,1 $((w - 2)),1"
    )
    # 1-pixel rounded corners: the outer pixel takes the neutral tone, the pixels next to
    # it along the border go half way towards it, the pixel inside goes half way between
    # the border and the face.
    local ct cb et eb
    ct=$(mix "$border" "$hi"); cb=$(mix "$border" "$bot")
    et=$(mix "$border" "$CORNER"); eb=$et
    args+=(-fill "$CORNER"
           -draw "point 0,0" -draw "point $r,0" -draw "point 0,$b" -draw "point $r,$b"
           -fill "$et"
           -draw "point 1,0" -draw "point 0,1" -draw "point $((r - 1)),0" -draw "point $r,1"
           -draw "point 1,$b" -draw "point 0,$((b - 1))" -draw "point $((r - 1)),$b"
           -draw "point $r,$((b - 1))"
           -fill "$ct" -draw "point 1,1" -draw "point $((r - 1)),1"
           -fill "$cb" -draw "point 1,$((b - 1))" -draw "point $((r - 1)),$((b - 1))")
    "$IM" "${args[@]}" -alpha off -type TrueColor BMP3:"$out"
}

# make_set NORMAL PRESSED DISABLED W PRIMARY: the three faces of one button.
make_set() {
    local n=$1 p=$2 d=$3 w=$4 primary=$5
    local pn=("${S_N[@]}") pp=("${S_P[@]}")
    if [ "$primary" = 1 ]; then pn=("${P_N[@]}"); pp=("${P_P[@]}"); fi
    face "$res/buttons/$n.bmp" "$w" 25 "${pn[@]}"
    face "$res/buttons/$p.bmp" "$w" 25 "${pp[@]}"
    face "$res/buttons/$d.bmp" "$w" 25 "${D[@]}"
}

make_set 212 213 214 72 1
make_set 218 219 220 46 0
make_set 215 216 217 45 0

python3 "$here/make_cursor.py" "$res/splitter.cur"
