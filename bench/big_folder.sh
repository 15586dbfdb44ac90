#!/bin/bash
# bench big-folder: the peak private memory of the panel listing a folder of 20,000 pictures
# and scrolling its grid from the top to the bottom, over the same for 2,000, each in a
# process of its own under Wine. The folders hold hard links to a few small pictures made
# by ImageMagick (picture_folder), so that 20,000 files take no room.
# Usage: bench/big_folder.sh BUILD (the folder holding win/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" big "$@"

picture_folder "$tmp/small" 2000
picture_folder "$tmp/big" 20000

small=$("$run" "$win_bin/bench_big_folder.exe" "$(winpath "$tmp/small")" | tr -d '\r')
big=$("$run" "$win_bin/bench_big_folder.exe" "$(winpath "$tmp/big")" | tr -d '\r')
printf '%s\n%s\n' "$small" "$big" | awk '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[NR, kv[1]] = kv[2] }
} END {
    if (v[1, "pictures"] != 2000 || v[2, "pictures"] != 20000) { print "big-folder: the folders were not listed" > "/dev/stderr"; exit 1 }
    printf "big-folder: peak GDI objects %d with 2,000 pictures, %d with 20,000 (counted by the %s); peak private memory %.1f MB and %.1f MB\n",
        v[1, "peak_gdi"], v[2, "peak_gdi"], v[2, "gdi_source"], v[1, "peak_private_mb"], v[2, "peak_private_mb"]
    printf "bench big-folder: ratio %.2f (target <= 1.2)\n", v[2, "peak_private_mb"] / v[1, "peak_private_mb"]
}'
