#!/bin/bash
# bench keyboard-ui: the longest the user-interface thread leaves a posted message waiting while
# a held Down key walks the grid's focus through a folder of 2,000 pictures, under Wine.
# Usage: bench/keyboard_ui.sh BUILD (the folder holding win/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" keyboard "$@"

picture_folder "$tmp/pictures" 2000

out=$("$run" "$win_bin/bench_keyboard_ui.exe" "$(winpath "$tmp/pictures")" | tr -d '\r')
echo "$out" | awk '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
} END {
    if (v["pictures"] != 2000 || v["reached_end"] != 1 || v["samples"] < 1) { print "keyboard-ui: the walk did not go through the folder" > "/dev/stderr"; exit 1 }
    printf "keyboard-ui: %d key presses, %d probes answered\n", v["keys"], v["samples"]
    printf "bench keyboard-ui: worst %.1f ms (target <= 16)\n", v["worst_ms"]
}'
