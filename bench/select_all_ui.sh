#!/bin/bash
# bench select-all-ui: the longest the user-interface thread leaves a posted message waiting
# while "全选" marks 100 camera pictures (4000 × 3000 JPEGs, some stored sideways) with auto
# compress on and the workers prepare every copy, the grid making its thumbnails meanwhile;
# under Wine, timed inside its process. Usage: bench/select_all_ui.sh BUILD
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" select-all "$@"

n=100
make_camera_folder "$n" 43

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
