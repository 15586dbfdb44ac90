# Sourced by the scripts that run the tools' servers on 127.0.0.1: each is started on a free
# port, its output in a file of the caller's scratch folder DIR, and read once it has started.
# The caller owns the PID it is given and stops the server; a server that does not start is
# stopped here, with a word on stderr, and the function returns 1.
#   album_server_start BIN DIR ALBUM [OPTION...]
#       BIN/album-server with DIR/accounts.txt, its albums in DIR/data, its output in
#       DIR/album.out; returns once it has printed ALBUM's signature. Sets album_pid,
#       album_port and album_signature.
#   album_signature_of DIR ALBUM    prints the signature that server printed for ALBUM
#   fault_server_start BIN DIR [OPTION...]
#       BIN/fault-server, its output in DIR/fault.out. Sets fault_pid and fault_port.
# shellcheck shell=bash

# Polls COMMAND while PID runs, for up to 10 s.
server_wait() {  # pid command...
    local pid=$1
    shift
    for _ in $(seq 200); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# Each server's first line is "listening 127.0.0.1:PORT".
server_port() {  # output-file
    sed -n '1s/^listening 127\.0\.0\.1://p' "$1" 2>/dev/null | grep .
}

# Stops a server that did not start, and says so with what it printed.
server_failed() {  # name pid output-file
    echo "$1 did not start: $(cat "$3" 2>/dev/null)" >&2
    kill "$2" 2>/dev/null && wait "$2" 2>/dev/null
}

# "signature KXUIN SIGNATURE ALBUM", one line an album; an album's name may hold spaces.
album_signature_of() {  # dir album
    awk -v album="$2" '$1 == "signature" { s = $3; sub(/^signature [^ ]+ [^ ]+ /, ""); if ($0 == album) { print s; exit } }' \
        "$1/album.out" 2>/dev/null | grep .
}

album_server_start() {  # bin dir album [option...]
    local bin=$1 dir=$2 album=$3
    shift 3
    "$bin/album-server" 0 "$dir/data" "$dir/accounts.txt" "$@" >"$dir/album.out" 2>&1 &
    album_pid=$!
    if ! server_wait "$album_pid" album_signature_of "$dir" "$album" >/dev/null; then
        server_failed album-server "$album_pid" "$dir/album.out"
        return 1
    fi
    # shellcheck disable=SC2034  # for the caller
    album_port=$(server_port "$dir/album.out") album_signature=$(album_signature_of "$dir" "$album")
}

fault_server_start() {  # bin dir [option...]
    local bin=$1 dir=$2
    shift 2
    "$bin/fault-server" 0 "$@" >"$dir/fault.out" 2>&1 &
    fault_pid=$!
    if ! server_wait "$fault_pid" server_port "$dir/fault.out" >/dev/null; then
        server_failed fault-server "$fault_pid" "$dir/fault.out"
        return 1
    fi
    # shellcheck disable=SC2034  # for the caller
    fault_port=$(server_port "$dir/fault.out")
}
