#!/bin/bash
# Runs one Windows test program under Wine with a real album server and a fault server in
# front of it on 127.0.0.1 (ports picked by the servers), and stops both afterwards.
#   run-with-servers.sh PROGRAM.exe [ARGS...]
# The program finds them through TESSALINE_ALBUM_PORT, TESSALINE_FAULT_PORT,
# TESSALINE_ALBUM_SIGNATURE and TESSALINE_ALBUM_SIGNATURE_SMALL (albums "Travel" and "Small"
# of user 10001), TESSALINE_ALBUM_DATA and TESSALINE_READONLY_FOLDER.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../../scripts/wine-run.sh
# shellcheck source=../../../scripts/servers.sh
. "$here/../../../scripts/servers.sh"
bin=${TESSALINE_NATIVE_BIN:?}
work=$(mktemp -d)
album_pid=""
fault_pid=""
cleanup() {
    chattr -i "$work/readonly" 2>/dev/null
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

# The server prints the albums in the accounts' order: once Small's signature is out, so is Travel's.
album_server_start "$bin" "$work" Small --secret transfer-tests --any-file || exit 1
signature=$(album_signature_of "$work" Travel) || { echo "album-server printed no signature for Travel"; exit 1; }
# The fault server's /relay goes through to the album server.
fault_server_start "$bin" "$work" --upstream "$album_port" || exit 1

export TESSALINE_ALBUM_PORT=$album_port TESSALINE_FAULT_PORT=$fault_port
export TESSALINE_ALBUM_SIGNATURE=$signature TESSALINE_ALBUM_SIGNATURE_SMALL=$album_signature
export TESSALINE_ALBUM_DATA=$work/data

# A folder that nobody may write to, root included (the immutable flag where the file system
# has it), for the tests of a temporary folder that refuses files.
mkdir "$work/readonly" && chmod 555 "$work/readonly" && { chattr +i "$work/readonly" 2>/dev/null || true; }
export TESSALINE_READONLY_FOLDER=$work/readonly
"$run" "$@"
