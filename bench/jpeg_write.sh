#!/bin/bash
# bench jpeg-write: megapixels a second of WriteDibAsJpeg against cjpeg -quality 90
# -baseline of the same libjpeg-turbo build, both under Wine, on the same 8000 × 6000
# picture. WriteDibAsJpeg is timed inside its process; cjpeg's time is that of a run on
# the picture less that of a run on a 16 × 16 one, so Wine's process start (40 to 70 ms)
# is not counted against it; it still reads and parses its PPM, its way of being handed
# pixels. The quickest of ten runs each: the least disturbed by whatever else runs.
# Usage: bench/jpeg_write.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" jpeg "$@"
# cjpeg of the same architecture as the tree
[ "$(cat "$win_tree/wine-arch" 2>/dev/null)" = win64 ] && arch_suffix=-x86_64 || arch_suffix=""
jpeg_bin=${TESSALINE_CACHE:-/var/cache/tessaline}/libjpeg-turbo$arch_suffix/bin

# A large picture keeps the start's jitter small beside the work; plasma at a quarter of
# the size and enlarged is photograph-like and quick to make.
"$IM" -size 4000x3000 -seed 5 plasma:fractal -blur 0x1.5 -resize 200% -depth 8 "$tmp/big.ppm"
"$IM" -size 16x16 xc:gray -depth 8 "$tmp/tiny.ppm"

cjpeg_once() {  # ms of one cjpeg run on $1
    local t0 t1
    t0=$(now_ms)
    "$run" "$jpeg_bin/cjpeg.exe" -quality 90 -baseline -outfile "$(winpath "$tmp/out.jpg")" "$(winpath "$1")"
    t1=$(now_ms)
    awk -v a="$t1" -v b="$t0" 'BEGIN { print a - b }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b + 0 < a + 0) print b; else print a }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b + 0 > a + 0) print b; else print a }'; }

# Turns about, so that both meet the same load from whatever else the machine runs.
big_ms="" tiny_ms="" ours=""
for _ in 1 2 3 4 5; do
    line=$("$run" "$win_bin/bench_jpeg_write.exe" "$(winpath "$tmp/big.ppm")" "$(winpath "$tmp/ours.jpg")" | tr -d '\r')
    # Keep the run whose 32-bit rate was best.
    rate=$(echo "$line" | sed -n 's/.*mp_s_32=\([0-9.]*\).*/\1/p')
    best=$(echo "$ours" | sed -n 's/.*mp_s_32=\([0-9.]*\).*/\1/p')
    [ "$(max "$best" "$rate")" = "$rate" ] && ours=$line
    big_ms=$(min "$big_ms" "$(cjpeg_once "$tmp/big.ppm")")
    big_ms=$(min "$big_ms" "$(cjpeg_once "$tmp/big.ppm")")
    tiny_ms=$(min "$tiny_ms" "$(cjpeg_once "$tmp/tiny.ppm")")
    tiny_ms=$(min "$tiny_ms" "$(cjpeg_once "$tmp/tiny.ppm")")
done

echo "$ours" | awk -v big="$big_ms" -v tiny="$tiny_ms" '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
    peer = v["width"] * v["height"] / 1e6 / ((big - tiny) / 1000)
    mine = v["mp_s_32"] < v["mp_s_24"] ? v["mp_s_32"] : v["mp_s_24"]
    printf "bench jpeg-write: ratio %.2f (target >= 0.9): WriteDibAsJpeg %.0f Mpixel/s at 32 bits, %.0f at 24 (%.0f at 16, %.0f at 8); cjpeg %.0f Mpixel/s (%.0f ms less %.0f ms start); %dx%d\n",
        mine / peer, v["mp_s_32"], v["mp_s_24"], v["mp_s_16"], v["mp_s_8"], peer, big, tiny, v["width"], v["height"]
}'
