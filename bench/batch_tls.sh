#!/bin/bash
# bench batch-small-tls: 300 pictures of 20 KiB posted over https to the album server on
# loopback by the control's own batch (hosted control, panel buttons, summary answered),
# against a plain synchronous WinINet loop under Wine posting the same forms over https, one
# after another on one connection. Ratio of the rates, pictures per second: what a pass pays
# beyond the loop (a TLS handshake per picture would show here).
# Usage: bench/batch_tls.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" batch-tls "$@"
count=300
bytes=20480

printf '10001 4194304 Travel\n' >"$tmp/accounts.txt"
tls_album_server_start Travel || exit 1
url="https://localhost:$album_port/cgi-bin/upload"
album_dir="$tmp/data/10001/54726176656c"
stored() { find "$album_dir" -maxdepth 1 -type f 2>/dev/null | wc -l; }

make_pictures "$count" "$bytes"
# The control and the loop take turns, a round each, as in bench/batch.sh: the middle round's
# ratio is the one told.
rounds=3
status=0
ratios=()
for round in $(seq "$rounds"); do
    before=$(stored)
    line=$(control_batch) || exit 1
    ctrl_s=$(kv "$line" seconds)
    ctrl_ok=$(kv "$line" succeeded)
    ctrl_stored=$(($(stored) - before))
    if [ "$(kv "$line" over)" != 1 ] || [ "$ctrl_ok" != "$count" ] || [ "$ctrl_stored" != "$count" ]; then
        echo "bench batch-tls: round $round: the control stored $ctrl_stored of $count (batch says $ctrl_ok): $line" >&2
        status=1
    fi
    plain_round batch-tls "$round" "$count" || status=1
    echo "round $round of $count x 20 KiB over https: control ${ctrl_s} s ($(rate "$ctrl_ok" "$ctrl_s") pictures/s)," \
        "plain WinINet loop ${plain_s} s ($(rate "$plain_ok" "$plain_s") pictures/s)"
    ratios+=("$(rate_ratio "$ctrl_ok" "$ctrl_s" "$plain_ok" "$plain_s")")
done
echo "bench batch-small-tls: ratio $(median "${ratios[@]}") (target >= 0.8)"
exit $status
