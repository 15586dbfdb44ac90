#!/bin/bash
# Over an emulated user's line (the fault server as a link: 30 Mbit/s each way, 20 ms each way,
# so a 40 ms round trip), the control's own batch (hosted, panel buttons, auto compress off)
# against one curl process posting the same forms in sequence over the same kind of link.
# bench batch-wan: 40 camera-like JPEGs of about 1.5 MB; ratio of the rates, pictures per
# second, and how much of the line the control kept busy going up.
# bench batch-wan-small: 200 pictures of 20 KiB, where round trips decide: the connections each
# side opened and its requests per connection are printed, and a picture may not cost the
# control more of them than curl's.
# Usage: bench/batch_wan.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" batch-wan "$@"
rate_kbit=30000
delay_ms=20

printf '10001 4194304 Travel\n' >"$tmp/accounts.txt"
album_server_start "$native_bin" "$tmp" Travel --secret bench --any-file || exit 1
album_dir="$tmp/data/10001/54726176656c"
stored() { find "$album_dir" -maxdepth 1 -type f 2>/dev/null | wc -l; }

# A fresh link in front of the album server for one side's pass; sets url.
link_start() {
    fault_server_start "$native_bin" "$tmp" --upstream "$album_port" --delay "$delay_ms" --rate "$rate_kbit" || return 1
    url="http://127.0.0.1:$fault_port/cgi-bin/upload"
}
# Stops the link (in this shell: only it can wait for the link's end); sets link_summary to its
# "connections=C up=U down=D" (bytes).
link_stop() {
    kill "$fault_pid" && wait "$fault_pid" || true
    link_summary=$(sed -n 's/^link //p' "$tmp/fault.out")
}

status=0
# One pass of each side over $tmp/pictures; sets ctrl_ok ctrl_s ctrl_link curl_ok curl_s curl_link.
both_passes() {  # name count
    rm -rf "${album_dir:?}"/*
    link_start || exit 1
    local line
    line=$(control_batch) || exit 1
    link_stop
    ctrl_link=$link_summary
    ctrl_s=$(kv "$line" seconds) ctrl_ok=$(kv "$line" succeeded)
    if [ "$(kv "$line" over)" != 1 ] || [ "$ctrl_ok" != "$2" ] || [ "$(stored)" != "$2" ]; then
        echo "bench $1: the control stored $(stored) of $2: $line" >&2
        status=1
    fi
    rm -rf "${album_dir:?}"/*
    link_start || exit 1
    local peer
    peer=$(curl_batch)
    link_stop
    curl_link=$link_summary
    curl_s=$(kv "$peer" seconds) curl_ok=$(kv "$peer" stored)
    if [ "$curl_ok" != "$2" ] || [ "$(stored)" != "$2" ]; then
        echo "bench $1: curl stored $(stored) of $2" >&2
        status=1
    fi
}
# "C connections, R requests per connection" of a link's summary and the pictures stored.
round_trips() {  # summary stored
    awk -v c="$(kv "$1" connections)" -v n="$2" \
        'BEGIN { printf "%d connections, %.1f requests per connection", c, (c > 0 ? n / c : 0) }'
}
# The share of the line's rate that a pass kept busy going up.
link_use() {  # summary seconds
    awk -v b="$(kv "$1" up)" -v s="$2" -v r="$rate_kbit" 'BEGIN { printf "%.2f", (s > 0 ? b * 8 / (r * 1000 * s) : 0) }'
}

# Camera-like: noise compresses as little as a real photograph's detail does.
mkdir "$tmp/pictures"
for i in $(seq -w 1 40); do
    "$IM" -size 1800x1400 xc:gray -seed "$i" +noise Random -quality 80 "$tmp/pictures/cam$i.jpg"
done
both_passes batch-wan 40
echo "wan batch of 40 x ~1.5 MB ($((rate_kbit / 1000)) Mbit/s, $((2 * delay_ms)) ms round trip):" \
    "control ${ctrl_s} s ($ctrl_ok stored, link use $(link_use "$ctrl_link" "$ctrl_s"), $(round_trips "$ctrl_link" "$ctrl_ok"))," \
    "curl ${curl_s} s ($curl_ok stored, link use $(link_use "$curl_link" "$curl_s"), $(round_trips "$curl_link" "$curl_ok"))"
echo "bench batch-wan: ratio $(rate_ratio "$ctrl_ok" "$ctrl_s" "$curl_ok" "$curl_s") (target >= 0.9)"

rm -rf "$tmp/pictures"
make_pictures 200 20480
both_passes batch-wan-small 200
echo "wan batch of 200 x 20 KiB: control ${ctrl_s} s ($ctrl_ok stored, $(round_trips "$ctrl_link" "$ctrl_ok"))," \
    "curl ${curl_s} s ($curl_ok stored, $(round_trips "$curl_link" "$curl_ok"))"
# More connections than curl's means more handshakes, each a round trip more a picture.
if [ "$(kv "$ctrl_link" connections)" -gt "$(kv "$curl_link" connections)" ]; then
    echo "bench batch-wan-small: the control opened more connections than curl" >&2
    status=1
fi
echo "bench batch-wan-small: ratio $(rate_ratio "$ctrl_ok" "$ctrl_s" "$curl_ok" "$curl_s") (target >= 0.9)"
exit $status
