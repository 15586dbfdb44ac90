#!/bin/bash
# bench thumbnails: pictures a second of the thumbnail producer over a folder of 200
# JPEGs of 4000 × 3000 against ImageMagick's convert -thumbnail 100x100 over the same
# files, one after the other as the producer works; the producer under Wine, timed inside
# its process, convert natively with its process start (a run on a 1 × 1 file) taken off.
# Also the time to the first thumbnail, and the peak working set over 1000 thumbnails,
# which must not grow with the count beyond the thumbnails kept.
# Usage: bench/thumbnails.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" thumbs "$@"

# Eight different photograph-like pictures; the folders hold hard links to them, so that
# 1000 files take no room (every file is still opened, read and decoded on its own).
mkdir -p "$tmp/src" "$tmp/folder" "$tmp/memory"
"$IM" -size 4000x3000 -seed 21 plasma:fractal -blur 0x1.5 -quality 92 "$tmp/src/base.jpg"
for i in 0 1 2 3 4 5 6 7; do
    "$IM" "$tmp/src/base.jpg" -modulate 100,$((80 + 10 * i)),$((40 + 20 * i)) -quality 92 "$tmp/src/p$i.jpg"
done
for i in $(seq 0 199); do ln "$tmp/src/p$((i % 8)).jpg" "$tmp/folder/$(printf 'IMG_%04d.jpg' "$i")"; done
for i in $(seq 0 999); do ln "$tmp/src/p$((i % 8)).jpg" "$tmp/memory/$(printf 'IMG_%04d.jpg' "$i")"; done

# Ours.
ours=$("$run" "$win_bin/bench_thumbnails.exe" "$(winpath "$tmp/folder")" | tr -d '\r')

# ImageMagick, file after file, less its process start.
time_convert_thumbnails "$tmp/folder"

echo "$ours" | awk -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
    n = v["pictures"]
    start = (s1 - s0) / 20
    peer = n / ((t1 - t0 - n * start) / 1000)
    mine = n / (v["total_ms"] / 1000)
    printf "bench thumbnails: ratio %.2f (target >= 0.5): producer %.1f pictures/s, first thumbnail after %.0f ms, %d of %d made; convert -thumbnail %.1f pictures/s (%.0f ms a process start taken off); 4000x3000 JPEGs\n",
        mine / peer, mine, v["first_ms"], v["thumbnails"], n, peer, start
}'

# Memory over 1000 thumbnails: with each thumbnail let go as it comes, the peak working set
# after 100, 500 and 1000 stays where it was (one decoded picture at a time, nothing left
# behind); kept as the grid keeps them, it grows by the thumbnails alone.
drop=$("$run" "$win_bin/bench_thumbnails.exe" --memory-drop "$(winpath "$tmp/memory")" | tr -d '\r')
keep=$("$run" "$win_bin/bench_thumbnails.exe" --memory "$(winpath "$tmp/memory")" | tr -d '\r')
printf '%s\n%s\n' "$drop" "$keep" | awk '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[NR, kv[1]] = kv[2] }
} END {
    split(v[1, "steps"], n, ","); split(v[1, "peak_mb"], d, ","); split(v[2, "peak_mb"], k, ",")
    printf "bench thumbnail-memory: ratio %.2f (target <= 1.1): peak working set %.1f MB after %d thumbnails, %.1f after %d, %.1f after %d; kept as the grid keeps them %.1f, %.1f, %.1f MB (%.0f KB a thumbnail)\n",
        d[3] / d[1], d[1], n[1], d[2], n[2], d[3], n[3], k[1], k[2], k[3], (k[3] - d[3]) * 1024 / n[3]
}'
