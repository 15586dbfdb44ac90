#!/bin/bash
# Camera pictures: ImageMagick draws one upright picture with a marked top-left corner and
# stores it turned or mirrored for each of the eight EXIF orientations; exiftool tags each
# with its orientation, a camera and a date taken, and half of them with an embedded
# thumbnail marked in green; and a 16:9 picture, upright and stored turned, whose 4:3
# embedded thumbnail holds it between black bars, as cameras store them; and the picture
# cropped square by an editor that kept the old thumbnail. Each file also carries the
# exposure, a location, serial numbers and the owner's name. The Windows test checks the
# thumbnails and the copies for upload; then exiftool must read from every copy the date,
# the camera, the exposure, orientation 1, the new size and nothing else asked for (no
# thumbnail, location, serial number or owner), and the pictures themselves must be as
# they were.
# Usage: SCRIPT TEST.EXE
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
IM=/usr/bin/convert  # the convert on PATH may be a stand-in
command -v exiftool >/dev/null || { echo "run-camera-test: exiftool missing (libimage-exiftool-perl)" >&2; exit 1; }

dir=$(mktemp -d /tmp/tessaline-camera.XXXXXX)
trap 'rm -rf "$dir"' EXIT
date_taken="2024:05:06 07:08:09"
"$IM" -size 400x300 xc:white -fill red -draw 'rectangle 0,0 199,149' "$dir/upright.png"
"$IM" "$dir/upright.png" -fill lime -draw 'rectangle 0,0 199,149' "$dir/upright-green.png"
# What turns the upright picture into the stored one: the undoing of each orientation.
stored_by=("" "" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate 270" "-transverse" "-rotate 90")
private=(-ExposureTime=1/125 -FNumber=5.6 -ISO=200 -GPSLatitude=48.85 -GPSLatitudeRef=N -GPSLongitude=2.35
    -GPSLongitudeRef=E -EXIF:SerialNumber=SN12345 -EXIF:LensSerialNumber=LN777 -EXIF:OwnerName=Someone)
"$IM" "$dir/upright-green.png" -strip -thumbnail 160x160 -quality 90 "$dir/old-thumb.jpg"
"$IM" "$dir/upright.png" -crop 300x300+0+0 +repage -strip -quality 92 "$dir/cropped.jpg"
exiftool -q -overwrite_original -Make=Testmaker "-ThumbnailImage<=$dir/old-thumb.jpg" "$dir/cropped.jpg"
rm "$dir/old-thumb.jpg"
for o in 1 2 3 4 5 6 7 8; do
    # shellcheck disable=SC2086
    "$IM" "$dir/upright.png" ${stored_by[$o]} -strip -quality 92 "$dir/plain$o.jpg"
    # shellcheck disable=SC2086
    "$IM" "$dir/upright-green.png" ${stored_by[$o]} -strip -thumbnail 160x160 -quality 90 "$dir/thumb$o.jpg"
    cp "$dir/plain$o.jpg" "$dir/cam$o.jpg"
    for name in plain cam; do
        extra=()
        [ $name = cam ] && extra=("-ThumbnailImage<=$dir/thumb$o.jpg")
        exiftool -q -overwrite_original -Orientation#=$o -Make=Testmaker -Model="Testcam X$o" \
            -DateTimeOriginal="$date_taken" -ExifImageWidth=400 -ExifImageHeight=300 "${private[@]}" "${extra[@]}" \
            "$dir/$name$o.jpg"
        echo "$name$o.jpg $([ $name = cam ] && echo 1 || echo 0)" >>"$dir/manifest.txt"
    done
    rm "$dir/thumb$o.jpg"
done
rm "$dir"/upright*.png
"$IM" -size 640x360 xc:white -fill red -draw 'rectangle 0,0 319,179' "$dir/wide.png"
"$IM" "$dir/wide.png" -fill lime -draw 'rectangle 0,0 319,179' -resize 160x90 \
    -background black -gravity center -extent 160x120 "$dir/wide-thumb.png"
for o in 1 6; do
    # shellcheck disable=SC2086
    "$IM" "$dir/wide.png" ${stored_by[$o]} -strip -quality 92 "$dir/wide$o.jpg"
    # shellcheck disable=SC2086
    "$IM" "$dir/wide-thumb.png" ${stored_by[$o]} -strip -quality 90 "$dir/wide-thumb$o.jpg"
    exiftool -q -overwrite_original -Orientation#=$o -Make=Testmaker "-ThumbnailImage<=$dir/wide-thumb$o.jpg" \
        "$dir/wide$o.jpg"
    rm "$dir/wide-thumb$o.jpg"
done
rm "$dir"/wide*.png

fingerprint() { (cd "$dir" && find . -maxdepth 1 -type f -name '*.jpg' -exec sha256sum {} + | sort); }
before=$(fingerprint)

winpath="Z:${dir//\//\\}"
status=0
TESSALINE_CAMERA_FOLDER=$winpath "$root/scripts/wine-run.sh" "$exe" --gtest_filter='CameraPicture.*' || status=$?

copies=0
for copy in "$dir"/out/*.jpg; do
    [ -f "$copy" ] || continue
    copies=$((copies + 1))
    name=$(basename "$copy" .jpg)
    got=$(exiftool -s3 -n -f -Orientation -Model -DateTimeOriginal -ExifImageWidth -ExifImageHeight \
        -ExposureTime -FNumber -ISO -ThumbnailLength -GPSLatitude -SerialNumber -LensSerialNumber -OwnerName \
        "$copy" | paste -sd '|')
    want="1|Testcam X${name: -1}|$date_taken|200|150|0.008|5.6|200|-|-|-|-|-"
    if [ "$got" != "$want" ]; then
        echo "run-camera-test: $name copy has metadata '$got', wanted '$want'" >&2
        status=1
    fi
done
if [ "$copies" != 16 ]; then
    echo "run-camera-test: $copies copies to check, wanted 16" >&2
    status=1
fi
if [ "$before" != "$(fingerprint)" ]; then
    echo "run-camera-test: picture files changed" >&2
    status=1
fi
exit $status
