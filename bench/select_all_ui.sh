#!/bin/bash
# bench select-all-ui: the longest the user-interface thread leaves a posted message waiting
# while "全选" marks 100 camera pictures (4000 × 3000 JPEGs, some stored sideways) with auto
# compress on and the workers prepare every copy, the grid making its thumbnails meanwhile;
# under Wine, timed inside its process. Usage: bench/select_all_ui.sh BUILD
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" select-all "$@"

# Four different pictures as a camera writes them; the folder holds hard links to them (each
# file is still opened and read on its own).
mkdir -p "$tmp/src" "$tmp/folder"
"$IM" -size 2000x1500 -seed 43 plasma:fractal -blur 0x1 -resize 200% -attenuate 0.4 +noise Gaussian \
    -quality 92 "$tmp/src/base.jpg"
orientations=(1 6 1 8)
for i in 0 1 2 3; do
    "$IM" "$tmp/src/base.jpg" -modulate 100,$((80 + 15 * i)),$((60 + 25 * i)) -quality 92 "$tmp/src/p$i.jpg"
    exiftool -q -overwrite_original -Orientation#="${orientations[$i]}" -Make=Benchmaker "$tmp/src/p$i.jpg"
done
n=100
for i in $(seq 0 $((n - 1))); do ln "$tmp/src/p$((i % 4)).jpg" "$tmp/folder/$(printf 'IMG_%04d.jpg' "$i")"; done

line=$("$run" "$win_bin/bench_select_all_ui.exe" "$(winpath "$tmp/folder")" | tr -d '\r')
if [ "$(kv "$line" prepared)" != "$n" ] || [ "$(kv "$line" pictures)" != "$n" ]; then
    echo "bench select-all-ui: $(kv "$line" prepared) of $(kv "$line" pictures) pictures prepared" >&2
    exit 1
fi
echo "$line" | awk '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
    printf "bench select-all-ui: worst %.1f ms (target <= 50)\n", v["worst_ms"]
    printf "select-all-ui: %d pictures of 4000x3000 prepared in %.0f ms, %d probes answered, the worst posted %.0f ms after the click\n",
        v["pictures"], v["total_ms"], v["samples"], v["worst_at_ms"] > "/dev/stderr"
}'
