#!/bin/bash
# Draws res/Upload.gif, the animation of the upload progress dialog: a photo leaves the
# stack on the left, flies along a dotted arc and goes up into the cloud on the right.
# 272 x 56 pixels (the free band above the dialog's texts, drawn from (45, 14)), 12 frames,
# looping, transparent background so that it sits on the dialog's own face colour.
# Needs ImageMagick; the real one is called by path. Usage: make-upload-gif.sh [output]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/res/Upload.gif}
IM=/usr/bin/convert
W=272 H=56
# Edges are smoothed against a light grey near the usual dialog faces, then cut to the
# one-bit transparency GIF has.
MATTE='#ECECEC'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

BLUE='#2F80D8' SKY='#8CC8F2' HILL='#4FAE5A' SUN='#FFC23A' FRAME='#7D8EA3'
DONE_DOT='#6FA8E8' TODO_DOT='#C3CCD7'

# Point on the flight path at t (quadratic curve from the stack over to the cloud).
pathx() { awk -v t="$1" 'BEGIN { printf "%.2f", (1-t)*(1-t)*62 + 2*(1-t)*t*136 + t*t*218 }'; }
pathy() { awk -v t="$1" 'BEGIN { printf "%.2f", (1-t)*(1-t)*24 + 2*(1-t)*t*(-4) + t*t*25 }'; }

# A photo card centred at (cx, cy), w x h, turned by deg: white mount, sky, hill, sun;
# with a sixth argument "blank", only the mount (the cards at the back of the stack).
card() {
    awk -v cx="$1" -v cy="$2" -v w="$3" -v h="$4" -v deg="$5" -v blank="${6:-}" \
        -v frame="$FRAME" -v sky="$SKY" -v hill="$HILL" -v sun="$SUN" 'BEGIN {
        a = deg * 3.14159265 / 180; c = cos(a); s = sin(a)
        # Corners of a rectangle given relative to the centre, turned.
        split("", p)
        poly(-w/2, -h/2, w/2, h/2); printf "fill white stroke %s stroke-width 1 polygon %s ", frame, q
        if (blank != "") exit
        m = (w > 30) ? 3 : 2
        poly(-w/2+m, -h/2+m, w/2-m, h/2-m); printf "fill %s stroke none polygon %s ", sky, q
        # The hill: a low arc over the bottom of the picture.
        hx0 = -w/2+m; hx1 = w/2-m; hy = h/2-m; q = ""
        for (i = 0; i <= 12; i++) {
            x = hx0 + (hx1-hx0)*i/12; y = hy - (h-2*m)*0.42*sin(3.14159265*i/12)*(0.75+0.25*i/12)
            q = q sprintf("%.2f,%.2f ", cx + x*c - y*s, cy + x*s + y*c)
        }
        q = q sprintf("%.2f,%.2f", cx + hx1*c - hy*s, cy + hx1*s + hy*c)
        printf "fill %s polygon %s ", hill, q
        sx = w/2-m-w*0.2; sy = -h/2+m+h*0.22; r = (w > 30) ? 4 : 2.2
        printf "fill %s circle %.2f,%.2f %.2f,%.2f ", sun, cx+sx*c-sy*s, cy+sx*s+sy*c, cx+sx*c-sy*s+r, cy+sx*s+sy*c
    }
    function poly(x0, y0, x1, y1) {
        q = sprintf("%.2f,%.2f %.2f,%.2f %.2f,%.2f %.2f,%.2f",
            cx+x0*c-y0*s, cy+x0*s+y0*c, cx+x1*c-y0*s, cy+x1*s+y0*c,
            cx+x1*c-y1*s, cy+x1*s+y1*c, cx+x0*c-y1*s, cy+x0*s+y1*c)
    }'
}

# The cloud: an outline drawn as the same shapes a little larger, then the fill on top.
cloud() {
    local grow=$1 fill=$2
    awk -v g="$grow" -v fill="$fill" 'BEGIN {
        n = split("214,36,11 230,26,15 248,31,12 260,39,8", b, " ")
        printf "fill %s stroke none ", fill
        for (i = 1; i <= n; i++) { split(b[i], v, ","); printf "circle %s,%s %s,%s ", v[1], v[2], v[1]+v[3]+g, v[2] }
        printf "roundrectangle %s,%s %s,%s 6,6 ", 204-g, 32-g, 266+g, 47+g
    }'
}

# The arrow inside the cloud, lifted by dy.
arrow() {
    awk -v dy="$1" -v col="$2" 'BEGIN {
        printf "fill %s stroke none polygon 236,%d 228,%d 233,%d 233,%d 239,%d 239,%d 244,%d ", col,
            17+dy, 26+dy, 26+dy, 40+dy, 40+dy, 26+dy, 26+dy
    }'
}

frames=12 flying=10
for ((f = 0; f < frames; f++)); do
    draw=""
    # The stack: two cards behind, turned, then the front one.
    draw+=$(card 35 30 40 30 -10 blank)
    draw+=$(card 41 29 40 30 7 blank)
    draw+=$(card 38 30 42 32 -1)
    # Dots along the path; those behind the flying photo are coloured.
    if ((f < flying)); then t=$(awk -v f=$f -v n=$((flying - 1)) 'BEGIN { printf "%.4f", f/n }'); else t=1; fi
    for ((d = 1; d < 14; d++)); do
        td=$(awk -v d=$d 'BEGIN { printf "%.4f", 0.08 + 0.8*d/13 }')
        col=$TODO_DOT
        awk -v a="$td" -v b="$t" 'BEGIN { exit !(a < b) }' && col=$DONE_DOT
        x=$(pathx "$td") y=$(pathy "$td")
        draw+="fill $col stroke none circle $x,$y $(awk -v x="$x" 'BEGIN { printf "%.2f", x + 1.4 }'),$y "
    done
    # The flying photo, turning a little as it climbs and shrinking as it goes in.
    if ((f < flying)); then
        x=$(pathx "$t") y=$(pathy "$t")
        read -r cw ch deg < <(awk -v t="$t" 'BEGIN { k = (t > 0.7) ? 1 - (t - 0.7) * 1.2 : 1; printf "%.2f %.2f %.2f\n", 24*k, 18*k, -12 + 24*t }')
        draw+=$(card "$x" "$y" "$cw" "$ch" "$deg")
    fi
    draw+=$(cloud 1.6 "$BLUE")
    draw+=$(cloud 0 '#F3F8FE')
    # On arrival the arrow jumps up and brightens for two frames.
    case $f in
        $flying) draw+=$(arrow -3 '#4A9BF0') ;;
        $((flying + 1))) draw+=$(arrow -1 '#3A8CE4') ;;
        *) draw+=$(arrow 0 "$BLUE") ;;
    esac
    $IM -size ${W}x${H} xc:none -draw "$draw" "$work/raw$f.png"
    # Colour: the drawing laid on the matte. Transparency: where it was covered at least half.
    $IM "$work/raw$f.png" \( +clone -background "$MATTE" -alpha remove -alpha off \) \
        \( -clone 0 -alpha extract -threshold 50% \) -delete 0 -alpha off -compose copy_opacity -composite \
        "$work/frame$f.png"
done

args=()
for ((f = 0; f < frames; f++)); do
    delay=8
    ((f == frames - 1)) && delay=40
    args+=(-delay "$delay" "$work/frame$f.png")
done
# Whole frames, each cleared to the background before the next: nothing accumulates.
$IM -dispose Background "${args[@]}" -loop 0 +remap "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
