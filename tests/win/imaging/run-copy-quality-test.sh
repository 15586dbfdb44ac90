#!/bin/bash
# Copies for upload against a reference: ImageMagick makes photograph-like JPEGs of camera
# sizes and, of each, its own reduction of the whole decoded picture to the size the copy
# must have; the Windows test makes the copy and the copy as a halftone stretch of the
# DCT-scaled picture on a device context would make it, and the copy must come at least
# as close to the reference. Usage: SCRIPT TEST.EXE
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
IM=/usr/bin/convert  # the convert on PATH may be a stand-in

dir=$(mktemp -d /tmp/tessaline-quality.XXXXXX)
trap 'rm -rf "$dir"' EXIT

# picture NAME W H COPY-W COPY-H: plasma at half the size, enlarged, with a little grain,
# as a camera's picture looks; its reference at the copy's size; its manifest line.
picture() {
    "$IM" -size "$(($2 / 2))x$(($3 / 2))" -seed "${#1}" plasma:fractal -blur 0x1 -resize 200% \
        -attenuate 0.4 +noise Gaussian -quality 92 "$dir/$1"
    "$IM" "$dir/$1" -resize "$4x$5!" -depth 8 "$dir/${1%.jpg}.ppm"
    echo "$1 $4 $5" >>"$dir/manifest.txt"
}
picture camera12mp.jpg 4000 3000 800 600
picture camera5mp.jpg 2592 1944 800 600
picture square.jpg 1000 1000 600 600
picture panorama.jpg 3000 1000 800 266

before=$(cd "$dir" && sha256sum -- *.jpg)
status=0
TESSALINE_QUALITY_FOLDER="Z:${dir//\//\\}" "$root/scripts/wine-run.sh" "$exe" --gtest_filter='CopyQuality.*' || status=$?
if [ "$before" != "$(cd "$dir" && sha256sum -- *.jpg)" ]; then
    echo "run-copy-quality-test: picture files changed" >&2
    status=1
fi
exit $status
