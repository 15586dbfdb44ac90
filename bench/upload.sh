#!/bin/bash
# bench upload-throughput: a 200 MiB picture posted to the album server on loopback by the
# control's upload engine under Wine, against a plain synchronous WinINet loop writing the same
# body in the same 10240-byte chunks under Wine, and against curl. Each is timed inside its
# process from the connection to the answer; the quickest of five runs each, taken in turns.
# bench upload-memory: the engine's peak working set during the 200 MiB upload over that
# during a 1 MiB upload. bench upload-ui-response: the longest the user-interface thread
# took to answer a message posted to it (every 10 ms) during the engine's uploads.
# Usage: bench/upload.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" upload "$@"
runs=${TESSALINE_BENCH_RUNS:-5}

printf '10001 4194304 Travel\n' >"$tmp/accounts.txt"
album_server_start "$native_bin" "$tmp" Travel --secret bench --any-file || exit 1
url="http://127.0.0.1:$album_port/cgi-bin/upload"
album_dir="$tmp/data/10001/54726176656c"

head -c $((200 << 20)) /dev/urandom >"$tmp/big.bin"
head -c $((1 << 20)) /dev/urandom >"$tmp/small.bin"
big_bytes=$(stat -c %s "$tmp/big.bin")

curl_upload() {  # prints seconds
    local kb
    kb=$(awk -v b="$big_bytes" 'BEGIN { printf "%.2f", b / 1024 }')
    curl -s -o "$tmp/curl.answer" -w '%{time_total}\n' -H 'Expect:' \
        -F "signature=$album_signature" -F albumname=Travel -F imgfile=bench.bin -F "filesize=$kb" -F kxuin=10001 \
        -F "album=@$tmp/big.bin;type=application/octet-stream" "$url"
    rm -f "$album_dir"/bench*.bin
    grep -q '^retcode 100$' "$tmp/curl.answer" || { echo "bench upload: curl upload failed" >&2; return 1; }
}

engine_s="" plain_s="" curl_s="" ui_worst="" big_ws="" small_ws=""
for _ in $(seq "$runs"); do
    line=$(upload_once engine "$tmp/big.bin")
    engine_s=$(min_of "$engine_s" "$(kv "$line" seconds)")
    ui_worst=$(max_of "$ui_worst" "$(kv "$line" ui_worst_ms)")
    big_ws=$(max_of "$big_ws" "$(kv "$line" peak_ws)")
    line=$(upload_once plain "$tmp/big.bin")
    plain_s=$(min_of "$plain_s" "$(kv "$line" seconds)")
    curl_s=$(min_of "$curl_s" "$(curl_upload)")
    line=$(upload_once engine "$tmp/small.bin")
    small_ws=$(max_of "$small_ws" "$(kv "$line" peak_ws)")
    ui_worst=$(max_of "$ui_worst" "$(kv "$line" ui_worst_ms)")
done

mb() { awk -v b="$big_bytes" -v s="$1" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }
echo "upload of 200 MiB: engine $(mb "$engine_s") MiB/s, plain WinINet loop $(mb "$plain_s") MiB/s, curl $(mb "$curl_s") MiB/s"
echo "peak working set: $((big_ws / 1024)) KiB with 200 MiB, $((small_ws / 1024)) KiB with 1 MiB"
awk -v e="$engine_s" -v p="$plain_s" 'BEGIN { printf "bench upload-throughput: ratio %.3f (target >= 0.9)\n", p / e }'
awk -v e="$engine_s" -v c="$curl_s" 'BEGIN { printf "bench upload-throughput-vs-curl: ratio %.3f\n", c / e }'
awk -v b="$big_ws" -v s="$small_ws" 'BEGIN { printf "bench upload-memory: ratio %.3f (target <= 1.05)\n", b / s }'
awk -v w="$ui_worst" 'BEGIN { printf "bench upload-ui-response: worst %.1f ms (target <= 50)\n", w }'
