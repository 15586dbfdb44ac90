#!/bin/bash
# bench prepare: copies for upload of 40 camera pictures (4000 × 3000 JPEGs, some stored
# sideways) made by the preparation workers with limits of 800 × 600, against ImageMagick
# shrinking the same files to the same limits at quality 90 in one process (mogrify with
# jpeg:size, so that it too decodes at the smallest DCT scale that covers them), in the
# same run: pictures a second of ours over ImageMagick's. Ours run under Wine and are
# timed inside their process; the quicker of two runs each.
# Usage: bench/prepare.sh BUILD
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" prepare "$@"

n=40
make_camera_folder "$n" 41
mkdir -p "$tmp/out"

ours_ms="" peer_ms=""
for _ in 1 2; do
    line=$("$run" "$win_bin/bench_prepare.exe" "$(winpath "$tmp/folder")" | tr -d '\r')
    if [ "$(kv "$line" copies)" != "$n" ]; then
        echo "bench prepare: $(kv "$line" copies) copies of $n pictures made" >&2
        exit 1
    fi
    ours_ms=$(min_of "$ours_ms" "$(kv "$line" total_ms)")
    t0=$(now_ms)
    /usr/bin/mogrify -path "$tmp/out" -define jpeg:size=800x600 -resize 800x600 -quality 90 "$tmp/folder"/*.jpg
    t1=$(now_ms)
    peer_ms=$(min_of "$peer_ms" "$(awk -v a="$t1" -v b="$t0" 'BEGIN { print a - b }')")
done
[ "$(ls "$tmp/out" | wc -l)" = "$n" ] || { echo "bench prepare: mogrify made no copies" >&2; exit 1; }

awk -v ours="$ours_ms" -v peer="$peer_ms" -v n="$n" 'BEGIN {
    printf "bench prepare: ratio %.2f (target >= 1.5)\n", peer / ours
    printf "prepare: workers %.0f ms (%.1f pictures/s), mogrify %.0f ms (%.1f pictures/s); %d pictures of 4000x3000 to 800x600 at 90\n",
        ours, n / (ours / 1000), peer, n / (peer / 1000), n > "/dev/stderr"
}'
