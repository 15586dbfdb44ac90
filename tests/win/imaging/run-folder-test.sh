#!/bin/bash
# Thumbnails of a real folder: ImageMagick makes pictures of many kinds (and files that
# only look like pictures) in a folder of this test's own, with its own reductions of
# each as references; the Windows test makes and checks the thumbnails; afterwards every
# file must have the same bytes and modification time as before. Usage: SCRIPT TEST.EXE
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
IM=/usr/bin/convert  # the convert on PATH may be a stand-in

dir=$(mktemp -d /tmp/tessaline-folder.XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/ref"

# The box a W × H picture gets in a 100 × 100 cell box (as FitPictureRect).
fit() {
    awk -v w="$1" -v h="$2" 'BEGIN {
        tw = 100; th = 100
        if (w > h) { d = 100 * h / w; if (d < 100) { s = int((100 - d) / 2) + 1; th = int(s + d) - s } }
        if (w < h) { d = 100 * w / h; if (d < 100) { s = int((100 - d) / 2) + 1; tw = int(s + d) - s } }
        print tw "x" th }'
}

# picture NAME W H EXPECT convert-arguments...: makes the file, its reference, its line.
picture() {
    local name=$1 w=$2 h=$3 expect=$4
    shift 4
    "$IM" "$@" "${fmt:-}$dir/$name"  # fmt=png: writes a PNG under any name
    if [ "$expect" != 0 ]; then
        "$IM" "$dir/$name[0]" -colorspace sRGB -resize "$(fit "$w" "$h")!" -depth 8 "$dir/ref/${name%.*}.ppm"
    fi
    echo "$name $w $h $expect" >>"$dir/manifest.txt"
}
other() {  # NAME W H EXPECT: a file made some other way, listed without a reference
    echo "$1 $2 $3 $4" >>"$dir/manifest.txt"
}

picture land.jpg 1600 1200 1 -size 1600x1200 -seed 11 plasma:fractal -blur 0x2 -quality 88
picture port.jpg 900 1600 1 -size 900x1600 -seed 12 plasma:fractal -blur 0x2
picture wide.jpg 3000 800 1 -size 800x3000 gradient:navy-orange -rotate 90 -fill white -draw 'circle 700,400 900,500'
picture square.jpg 700 700 1 -size 700x700 -seed 13 plasma:fractal -blur 0x2
picture prog.jpg 1200 900 1 -size 1200x900 -seed 14 plasma:fractal -blur 0x2 -interlace JPEG
picture grey.jpg 800 600 1 -size 800x600 -seed 15 plasma:fractal -blur 0x2 -colorspace Gray
picture cmyk.jpg 800 600 1 -size 800x600 -seed 16 plasma:fractal -blur 0x2 -colorspace CMYK
picture small.jpg 40 30 1 -size 40x30 gradient:red-blue
picture one.jpg 1 1 1 -size 1x1 xc:'#3080c0'
picture PHOTO.JPG 640 480 1 -size 640x480 -seed 17 plasma:fractal -blur 0x2
picture 风景.jpg 500 400 1 -size 500x400 -seed 18 plasma:fractal -blur 0x2
picture still.gif 320 240 1 -size 320x240 -seed 19 plasma:fractal -blur 0x2 -colors 64
picture anim.gif 200 150 1 -delay 10 -size 200x150 xc:firebrick xc:seagreen xc:steelblue
fmt=png: picture png.jpg 300 200 0 -size 300x200 gradient:yellow-purple  # not a JPEG: never decoded
echo "plain text, not a picture" >"$dir/text.jpg"; other text.jpg 0 0 0
: >"$dir/empty.jpg"; other empty.jpg 0 0 0
head -c 60000 "$dir/land.jpg" >"$dir/truncated.jpg"; other truncated.jpg 1600 1200 -1

fingerprint() {
    (cd "$dir" && find . -maxdepth 1 -type f -printf '%f %s %T@\n' | sort &&
        find . -maxdepth 1 -type f -exec sha256sum {} + | sort)
}
before=$(fingerprint)

winpath="Z:${dir//\//\\}"
status=0
TESSALINE_PICTURE_FOLDER=$winpath "$root/scripts/wine-run.sh" "$exe" \
    --gtest_filter='RealFolder.*' || status=$?

after=$(fingerprint)
if [ "$before" != "$after" ]; then
    echo "run-folder-test: picture files changed:" >&2
    diff <(echo "$before") <(echo "$after") >&2 || true
    status=1
fi
exit $status
