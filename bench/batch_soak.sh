#!/bin/bash
# bench batch-soak: one pass of 5,000 pictures of 20 KiB through the control's own batch to
# the album server on loopback (hosted control, panel buttons, summary answered). The host's
# private bytes when the pass is over (its summary answered) against those once the first 200
# pictures were stored: a pass must not grow with its length. Handles and GDI objects are
# printed at both points, and with 200 pictures still to go; from the first point to that one
# they must not grow (the end adds what the summary's first showing makes the system keep).
# Usage: bench/batch_soak.sh BUILD (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" batch-soak "$@"
count=5000
mark=200

printf '10001 4194304 Travel\n' >"$tmp/accounts.txt"
album_server_start "$native_bin" "$tmp" Travel --secret bench --any-file || exit 1
url="http://127.0.0.1:$album_port/cgi-bin/upload"

make_pictures "$count" 20480
line=$(control_batch "$mark") || exit 1
value() { kv "$line" "$1"; }
echo "pass of $count x 20 KiB: $(value seconds) s, $(value succeeded) stored;" \
    "after $mark: $(value mark_private_kb) KB private, $(value mark_handles) handles, $(value mark_gdi) GDI objects;" \
    "$mark before the end: $(value late_private_kb) KB, $(value late_handles) handles, $(value late_gdi) GDI objects;" \
    "at the end: $(value end_private_kb) KB, $(value end_handles) handles, $(value end_gdi) GDI objects"
status=0
if [ "$(value over)" != 1 ] || [ "$(value succeeded)" != "$count" ] || [ -z "$(value mark_private_kb)" ] ||
    [ "$(value mark_private_kb)" = 0 ]; then
    echo "bench batch-soak: the pass did not store every picture or took no measure: $line" >&2
    status=1
fi
# A handle or two of WinINet's (its threads' events, a pooled connection) comes and goes from
# picture to picture; a leak would be one a picture, thousands here.
if [ "$(value late_handles)" -gt $(($(value mark_handles) + 4)) ] || [ "$(value late_gdi)" -gt "$(value mark_gdi)" ]; then
    echo "bench batch-soak: handles or GDI objects grew over the pass" >&2
    status=1
fi
awk -v m="$(value mark_private_kb)" -v e="$(value end_private_kb)" \
    'BEGIN { printf "bench batch-soak: ratio %.3f (target <= 1.05)\n", (m > 0 ? e / m : 0) }'
exit $status
