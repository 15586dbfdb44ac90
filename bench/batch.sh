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
line=$(control_batch) || exit 1
value() { kv "$line" "$1"; }
ctrl_s=$(value seconds)
ctrl_ok=$(value succeeded)
ctrl_stored=$(stored)

plain=$(plain_batch)
plain_s=$(kv "$plain" seconds)
plain_ok=$(kv "$plain" stored)
# The transfer engine alone over the same folder, no dialog: where the control's time goes.
engine=$("$run" "$win_bin/bench_upload.exe" engine-folder "$url" "$(winpath "$tmp/pictures")" "$album_signature" Travel 10001 |
    tr -d '\r') || true

peer=$(curl_batch)
curl_s=$(kv "$peer" seconds)
curl_ok=$(kv "$peer" stored)
total_stored=$(stored)

echo "batch of $count x 20 KiB: control ${ctrl_s} s ($(rate "$ctrl_ok" "$ctrl_s") pictures/s, $ctrl_ok stored)," \
    "plain WinINet loop ${plain_s} s ($(rate "$plain_ok" "$plain_s") pictures/s, $plain_ok stored)," \
    "the engine alone $(kv "$engine" seconds) s ($(kv "$engine" stored) stored)," \
    "curl ${curl_s} s ($(rate "$curl_ok" "$curl_s") pictures/s, $curl_ok stored)"
echo "user interface: $(value ui_samples) samples, the worst sent $(value ui_worst_at_s) s after the click" \
    "($(value ui_worst_at_picture) pictures done); summary shown at $(value summary_at_s) s"
status=0
if [ "$(value over)" != 1 ] || [ "$ctrl_ok" != "$count" ] || [ "$ctrl_stored" != "$count" ] || [ "$(value listed)" != "$count" ]; then
    echo "bench batch: the control stored $ctrl_stored of $count (batch says $ctrl_ok, listed $(value listed)): $line" >&2
    status=1
fi
if [ "$plain_ok" != "$count" ]; then
    echo "bench batch: the plain loop stored $plain_ok of $count: $plain" >&2
    status=1
fi
if [ "$curl_ok" != "$count" ] || [ "$total_stored" != $((4 * count)) ]; then
    echo "bench batch: curl stored $curl_ok of $count; $total_stored pictures on the server in all" >&2
    status=1
fi
echo "bench batch-small: ratio $(rate_ratio "$ctrl_ok" "$ctrl_s" "$plain_ok" "$plain_s") (target >= 0.75)"
echo "bench batch-small-curl: ratio $(rate_ratio "$ctrl_ok" "$ctrl_s" "$curl_ok" "$curl_s") (target >= 0.15)"
samples=$(value ui_samples)
echo "bench batch-ui: worst $(value ui_worst_ms) ms (target <= 50)"
[ -n "$samples" ] && [ "$samples" -gt 0 ] || { echo "bench batch: no user-interface sample was taken" >&2; status=1; }
exit $status
