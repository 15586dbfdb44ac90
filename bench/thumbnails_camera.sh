#!/bin/bash
# bench thumbnails-camera: the thumbnail producer over 200 camera pictures (4000 × 3000
# JPEGs carrying 160 × 120 EXIF thumbnails, some stored sideways) against ImageMagick's
# convert -thumbnail 100x100 over the same files, in the same run: the time convert takes
# (its process start, a run on a 1 × 1 file, taken off) over the producer's, under Wine and
# timed inside its process. Usage: bench/thumbnails_camera.sh BUILD
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" camera "$@"

# Four different pictures as a camera writes them; the folder holds hard links to them (each
# file is still opened and read on its own).
mkdir -p "$tmp/src" "$tmp/folder"
"$IM" -size 4000x3000 -seed 31 plasma:fractal -blur 0x1.5 -quality 92 "$tmp/src/base.jpg"
orientations=(1 6 1 8)
for i in 0 1 2 3; do
    "$IM" "$tmp/src/base.jpg" -modulate 100,$((80 + 15 * i)),$((60 + 25 * i)) -quality 92 "$tmp/src/p$i.jpg"
    "$IM" "$tmp/src/p$i.jpg" -thumbnail 160x120 -quality 85 "$tmp/src/t$i.jpg"
    exiftool -q -overwrite_original -Orientation#="${orientations[$i]}" -Make=Benchmaker -Model="Bench 1" \
        -DateTimeOriginal="2024:05:06 07:08:09" -ExifImageWidth=4000 -ExifImageHeight=3000 \
        "-ThumbnailImage<=$tmp/src/t$i.jpg" "$tmp/src/p$i.jpg"
done
for i in $(seq 0 199); do ln "$tmp/src/p$((i % 4)).jpg" "$tmp/folder/$(printf 'IMG_%04d.jpg' "$i")"; done

ours=$("$run" "$win_bin/bench_thumbnails.exe" "Z:${tmp//\//\\}\\folder" | tr -d '\r')

time_convert_thumbnails "$tmp/folder"

echo "$ours" | awk -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
    n = v["pictures"]
    if (n != 200 || v["thumbnails"] != n || v["total_ms"] <= 0) {
        printf "bench thumbnails-camera: %d thumbnails of %d pictures made\n", v["thumbnails"], n > "/dev/stderr"
        exit 1
    }
    peer_ms = t1 - t0 - n * (s1 - s0) / 20
    printf "bench thumbnails-camera: ratio %.2f (target >= 5.0)\n", peer_ms / v["total_ms"]
    printf "thumbnails-camera: producer %.0f ms, first after %.0f ms; convert -thumbnail %.0f ms (%.0f ms a process start taken off); %d pictures of 4000x3000 with 160x120 EXIF thumbnails\n",
        v["total_ms"], v["first_ms"], peer_ms, (s1 - s0) / 20, n > "/dev/stderr"
}'
