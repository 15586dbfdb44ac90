#!/bin/bash
# bench batch-small: 500 pictures of 20 KiB posted to the album server on loopback by the
# control's own batch (hosted control, panel buttons, summary answered), against a plain
# synchronous WinINet loop under Wine posting the same forms one after another on one
# connection (10 KiB writes, each answer read whole): what a pass costs beyond the platform.
# bench batch-small-curl: the same batch against one curl process posting the same files with
# the same form, one request per file in sequence. Both are ratios of the rates, pictures per
# second. bench batch-ui: the longest the user-interface thread took to answer a message posted
# to it (every 5 ms) during the control's batch.
# Usage: bench/batch.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" batch "$@"
count=500
bytes=20480

printf '10001 4194304 Travel\n' >"$tmp/accounts.txt"
album_server_start "$native_bin" "$tmp" Travel --secret bench --any-file || exit 1
url="http://127.0.0.1:$album_port/cgi-bin/upload"
album_dir="$tmp/data/10001/54726176656c"
stored() { find "$album_dir" -maxdepth 1 -type f 2>/dev/null | wc -l; }

make_pictures "$count" "$bytes"
# The control and the loop take turns, a round each: the machine's pace drifts over seconds,
# and a ratio of two runs that it caught at different paces says more about it than about
# them. The middle round's ratio is the one told; the worst delay of all rounds.
rounds=3
status=0
ratios=() ctrl_rates=() ui_worst=()
for round in $(seq "$rounds"); do
    before=$(stored)
    line=$(control_batch) || exit 1
    value() { kv "$line" "$1"; }
    ctrl_s=$(value seconds)
    ctrl_ok=$(value succeeded)
    ctrl_stored=$(($(stored) - before))
    if [ "$(value over)" != 1 ] || [ "$ctrl_ok" != "$count" ] || [ "$ctrl_stored" != "$count" ] || [ "$(value listed)" != "$count" ]; then
        echo "bench batch: round $round: the control stored $ctrl_stored of $count (batch says $ctrl_ok, listed $(value listed)): $line" >&2
        status=1
    fi
    samples=$(value ui_samples)
    [ -n "$samples" ] && [ "$samples" -gt 0 ] || { echo "bench batch: round $round: no user-interface sample was taken" >&2; status=1; }
    plain_round batch "$round" "$count" || status=1
    echo "round $round of $count x 20 KiB: control ${ctrl_s} s ($(rate "$ctrl_ok" "$ctrl_s") pictures/s)," \
        "plain WinINet loop ${plain_s} s ($(rate "$plain_ok" "$plain_s") pictures/s);" \
        "user interface: $(value ui_samples) samples, the worst $(value ui_worst_ms) ms, sent $(value ui_worst_at_s) s" \
        "after the click ($(value ui_worst_at_picture) pictures done); summary shown at $(value summary_at_s) s"
    ratios+=("$(rate_ratio "$ctrl_ok" "$ctrl_s" "$plain_ok" "$plain_s")")
    ctrl_rates+=("$(rate "$ctrl_ok" "$ctrl_s")")
    ui_worst+=("$(value ui_worst_ms)")
done
# The transfer engine alone over the same folder, no dialog: where the control's time goes.
engine=$("$run" "$win_bin/bench_upload.exe" engine-folder "$url" "$(winpath "$tmp/pictures")" "$album_signature" Travel 10001 |
    tr -d '\r') || true

peer=$(curl_batch)
curl_s=$(kv "$peer" seconds)
curl_ok=$(kv "$peer" stored)
total_stored=$(stored)

echo "the engine alone $(kv "$engine" seconds) s ($(kv "$engine" stored) stored)," \
    "curl ${curl_s} s ($(rate "$curl_ok" "$curl_s") pictures/s, $curl_ok stored)"
if [ "$curl_ok" != "$count" ] || [ "$total_stored" != $(((2 * rounds + 2) * count)) ]; then
    echo "bench batch: curl stored $curl_ok of $count; $total_stored pictures on the server in all" >&2
    status=1
fi
echo "bench batch-small: ratio $(median "${ratios[@]}") (target >= 0.75)"
echo "bench batch-small-curl: ratio $(awk -v c="$(median "${ctrl_rates[@]}")" -v p="$(rate "$curl_ok" "$curl_s")" \
    'BEGIN { printf "%.3f", (p > 0 ? c / p : 0) }') (target >= 0.15)"
echo "bench batch-ui: worst $(printf '%s\n' "${ui_worst[@]}" | sort -g | tail -1) ms (target <= 50)"
exit $status
