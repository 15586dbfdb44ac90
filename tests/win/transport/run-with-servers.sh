#!/bin/bash
# Runs one Windows test program under Wine with a real album server and a fault server in
# front of it on 127.0.0.1 (ports picked by the servers), and stops both afterwards.
#   run-with-servers.sh PROGRAM.exe [ARGS...]
# The program finds them through TESSALINE_ALBUM_PORT, TESSALINE_FAULT_PORT,
# TESSALINE_ALBUM_SIGNATURE and TESSALINE_ALBUM_SIGNATURE_SMALL (albums "Travel" and "Small"
# of user 10001) and TESSALINE_ALBUM_DATA.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../../scripts/wine-run.sh
bin=${TESSALINE_NATIVE_BIN:?}
work=$(mktemp -d)
album_pid=""
fault_pid=""
cleanup() {
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null && wait "$album_pid" 2>/dev/null
    [ -n "$fault_pid" ] && kill "$fault_pid" 2>/dev/null && wait "$fault_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

cat >"$work/accounts.txt" <<'ACCOUNTS'
# kxuin  quota-KB  album
10001    4194304   Travel
10001    64        Small
ACCOUNTS

wait_listening() {  # file pid -> prints the port
    for _ in $(seq 200); do
        if [ -s "$1" ] && head -1 "$1" | grep -q '^listening '; then
            head -1 "$1" | sed 's/^listening 127\.0\.0\.1://'
            return 0
        fi
        kill -0 "$2" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

"$bin/album-server" 0 "$work/data" "$work/accounts.txt" --secret transfer-tests --any-file \
    >"$work/album.out" 2>"$work/album.err" &
album_pid=$!
album_port=$(wait_listening "$work/album.out" "$album_pid") || { echo "album-server did not start: $(cat "$work/album.err")"; exit 1; }
# The fault server's /relay goes through to the album server.
"$bin/fault-server" 0 --upstream "$album_port" >"$work/fault.out" 2>"$work/fault.err" &
fault_pid=$!
fault_port=$(wait_listening "$work/fault.out" "$fault_pid") || { echo "fault-server did not start: $(cat "$work/fault.err")"; exit 1; }
for _ in $(seq 100); do
    grep -q ' Small$' "$work/album.out" && grep -q ' Travel$' "$work/album.out" && break
    sleep 0.05
done
signature_of() {  # album
    awk -v album="$1" '$1 == "signature" && $2 == "10001" && $4 == album { print $3 }' "$work/album.out"
}
signature=$(signature_of Travel)
signature_small=$(signature_of Small)
[ -n "$signature" ] && [ -n "$signature_small" ] || { echo "album-server printed no signatures"; exit 1; }

export TESSALINE_ALBUM_PORT=$album_port TESSALINE_FAULT_PORT=$fault_port
export TESSALINE_ALBUM_SIGNATURE=$signature TESSALINE_ALBUM_SIGNATURE_SMALL=$signature_small
export TESSALINE_ALBUM_DATA=$work/data
"$run" "$@"
