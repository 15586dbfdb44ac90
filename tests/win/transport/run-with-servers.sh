#!/bin/bash
# Runs one Windows test program under Wine with a real album server and a fault server in
# front of it on 127.0.0.1 (ports picked by the servers), and stops both afterwards.
#   run-with-servers.sh [--tls] PROGRAM.exe [ARGS...]
# The program finds them through TESSALINE_ALBUM_PORT, TESSALINE_FAULT_PORT,
# TESSALINE_ALBUM_SIGNATURE and TESSALINE_ALBUM_SIGNATURE_SMALL (albums "Travel" and "Small"
# of user 10001), TESSALINE_ALBUM_DATA and TESSALINE_READONLY_FOLDER.
# With --tls the album server speaks https with a certificate for "localhost" from a test root
# made for this run, which the Wine prefix trusts until the run ends; and peers for the https
# cases listen too, TESSALINE_FRONT_<NAME> each: TLS in front of the fault server with the
# certificate TRUSTED, UNKNOWN_CA, WRONG_NAME or EXPIRED (see scripts/test-certs.sh), GARBAGE
# (answers without TLS) and STALL (never answers).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../../..
run=$root/scripts/wine-run.sh
# shellcheck source=../../../scripts/servers.sh
. "$root/scripts/servers.sh"
bin=${TESSALINE_NATIVE_BIN:?}
tls=""
if [ "${1:-}" = --tls ]; then
    tls=1
    shift
fi
work=$(mktemp -d)
album_pid=""
fault_pid=""
fronts_pid=""
root_cert=$(dirname "$1")/root_cert.exe
trusted_root=""
winpath() { echo "Z:${1//\//\\}"; }
cleanup() {
    chattr -i "$work/readonly" 2>/dev/null
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null && wait "$album_pid" 2>/dev/null
    [ -n "$fault_pid" ] && kill "$fault_pid" 2>/dev/null && wait "$fault_pid" 2>/dev/null
    [ -n "$fronts_pid" ] && kill "$fronts_pid" 2>/dev/null && wait "$fronts_pid" 2>/dev/null
    [ -n "$trusted_root" ] && "$run" "$root_cert" remove "$trusted_root"
    rm -rf "$work"
}
trap cleanup EXIT

cat >"$work/accounts.txt" <<'ACCOUNTS'
# kxuin  quota-KB  album
10001    4194304   Travel
10001    64        Small
ACCOUNTS

album_options=()
if [ -n "$tls" ]; then
    certs=$work/certs
    "$root/scripts/test-certs.sh" "$certs" || { echo "no test certificates"; exit 1; }
    "$run" "$root_cert" add "$(winpath "$certs/ca.der")" || { echo "the test root was not added"; exit 1; }
    trusted_root=$(winpath "$certs/ca.der")
    album_options=(--tls-cert "$certs/localhost.pem" --tls-key "$certs/localhost.key")
fi

# The server prints the albums in the accounts' order: once Small's signature is out, so is Travel's.
album_server_start "$bin" "$work" Small --secret transfer-tests --any-file "${album_options[@]}" || exit 1
signature=$(album_signature_of "$work" Travel) || { echo "album-server printed no signature for Travel"; exit 1; }
# The fault server's /relay goes through to the album server.
fault_server_start "$bin" "$work" --upstream "$album_port" || exit 1

if [ -n "$tls" ]; then
    node "$here/tls-fronts.js" "$fault_port" \
        "trusted=$certs/localhost.pem,$certs/localhost.key" "unknown-ca=$certs/unknown-ca.pem,$certs/unknown-ca.key" \
        "wrong-name=$certs/wrong-name.pem,$certs/wrong-name.key" "expired=$certs/expired.pem,$certs/expired.key" \
        garbage=garbage stall=stall </dev/null >"$work/fronts.out" 2>"$work/fronts.err" &
    fronts_pid=$!
    if ! server_wait "$fronts_pid" grep -qx ready "$work/fronts.out"; then
        server_failed "$work" fronts "$fronts_pid"
        fronts_pid=""
        exit 1
    fi
    while read -r _ name port; do
        name=${name^^}
        export "TESSALINE_FRONT_${name//-/_}=$port"
    done < <(grep '^front ' "$work/fronts.out")
fi

export TESSALINE_ALBUM_PORT=$album_port TESSALINE_FAULT_PORT=$fault_port
export TESSALINE_ALBUM_SIGNATURE=$signature TESSALINE_ALBUM_SIGNATURE_SMALL=$album_signature
export TESSALINE_ALBUM_DATA=$work/data

# A folder that nobody may write to, root included (the immutable flag where the file system
# has it), for the tests of a temporary folder that refuses files.
mkdir "$work/readonly" && chmod 555 "$work/readonly" && { chattr +i "$work/readonly" 2>/dev/null || true; }
export TESSALINE_READONLY_FOLDER=$work/readonly
"$run" "$@"
