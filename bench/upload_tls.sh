#!/bin/bash
# bench upload-throughput-tls: a 200 MiB picture posted over https to the album server on
# loopback by the control's upload engine under Wine, against a plain synchronous WinINet loop
# writing the same body in the same 10240-byte chunks over https under Wine. Each is timed
# inside its process from the connection (handshake included) to the answer; the quickest of
# three runs each, taken in turns.
# Usage: bench/upload_tls.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" upload-tls "$@"
runs=${TESSALINE_BENCH_RUNS:-3}

printf '10001 4194304 Travel\n' >"$tmp/accounts.txt"
tls_album_server_start Travel || exit 1
url="https://localhost:$album_port/cgi-bin/upload"
album_dir="$tmp/data/10001/54726176656c"

head -c $((200 << 20)) /dev/urandom >"$tmp/big.bin"
big_bytes=$(stat -c %s "$tmp/big.bin")

engine_s="" plain_s=""
for _ in $(seq "$runs"); do
    line=$(upload_once engine "$tmp/big.bin")
    engine_s=$(min_of "$engine_s" "$(kv "$line" seconds)")
    line=$(upload_once plain "$tmp/big.bin")
    plain_s=$(min_of "$plain_s" "$(kv "$line" seconds)")
done

mb() { awk -v b="$big_bytes" -v s="$1" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }
echo "upload of 200 MiB over https: engine $(mb "$engine_s") MiB/s, plain WinINet loop $(mb "$plain_s") MiB/s"
awk -v e="$engine_s" -v p="$plain_s" 'BEGIN { printf "bench upload-throughput-tls: ratio %.3f (target >= 0.9)\n", p / e }'
