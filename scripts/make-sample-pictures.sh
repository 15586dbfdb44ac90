#!/bin/bash
# A folder of pictures as a user's camera and downloads leave them, for the demo and the
# end-to-end tests: three large photographs that an album with 1024 x 768 limits makes the
# control shrink, two small ones it sends as they are, an animated GIF, and one file named
# like a JPEG that holds no picture.
#   make-sample-pictures.sh DIR
set -euo pipefail
dir=$1
IM=/usr/bin/convert  # the convert on PATH may be a stand-in
mkdir -p "$dir"
# Plasma is photograph-like (it does not compress to nothing); made small and enlarged, it
# is quick to make.
"$IM" -size 300x225 -seed 11 plasma: -resize 800% -quality 90 "$dir/harbour.jpg"
"$IM" -size 300x400 -seed 12 plasma: -resize 500% -quality 90 "$dir/lighthouse.jpg"
"$IM" -size 256x192 -seed 13 plasma: -resize 800% -quality 90 "$dir/market.jpg"
"$IM" -size 320x240 -seed 14 plasma: -quality 90 "$dir/cat.jpg"
"$IM" -size 400x300 -seed 15 plasma: -quality 90 "$dir/dog.jpg"
"$IM" -delay 40 -size 160x120 gradient:'#f4a460-#4682b4' gradient:'#4682b4-#f4a460' -loop 0 "$dir/flag.gif"
# Damaged: the bytes of no picture at all behind a picture's name.
head -c 20000 /dev/urandom >"$dir/damaged.jpg"
