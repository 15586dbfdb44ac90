# Sourced by the scripts that run the servers for the control on 127.0.0.1: each is started
# on a free port, its output in files of the caller's scratch folder DIR (NAME.out, NAME.err),
# and read once it has started. The caller owns the PID it is given and stops the server; a
# server that does not start is stopped here, with a word on stderr, and the function
# returns 1.
#   album_endpoint_start DIR ALBUM COMMAND...
#       an upload endpoint that prints what the album server prints (the Node example does
#       too), as "album"; returns once it has printed ALBUM's signature. Sets album_pid,
#       album_port and album_signature.
#   album_server_start BIN DIR ALBUM [OPTION...]
#       BIN/album-server as that endpoint, with DIR/accounts.txt and its albums in DIR/data
#   album_signature_of DIR ALBUM    prints the signature the endpoint printed for ALBUM
#   fault_server_start BIN DIR [OPTION...]
#       BIN/fault-server, as "fault". Sets fault_pid and fault_port.
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
server_failed() {  # dir name pid
    echo "$2 did not start: $(cat "$1/$2.out" "$1/$2.err" 2>/dev/null)" >&2
    kill "$3" 2>/dev/null && wait "$3" 2>/dev/null
}

# "signature KXUIN SIGNATURE ALBUM", one line an album; an album's name may hold spaces.
album_signature_of() {  # dir album
    awk -v album="$2" '$1 == "signature" { s = $3; sub(/^signature [^ ]+ [^ ]+ /, ""); if ($0 == album) { print s; exit } }' \
        "$1/album.out" 2>/dev/null | grep .
}

album_endpoint_start() {  # dir album command...
    local dir=$1 album=$2
    shift 2
    "$@" >"$dir/album.out" 2>"$dir/album.err" &
    album_pid=$!
    if ! server_wait "$album_pid" album_signature_of "$dir" "$album" >/dev/null; then
        server_failed "$dir" album "$album_pid"
        return 1
    fi
    # shellcheck disable=SC2034  # for the caller
    album_port=$(server_port "$dir/album.out") album_signature=$(album_signature_of "$dir" "$album")
}

album_server_start() {  # bin dir album [option...]
    local bin=$1 dir=$2 album=$3
    shift 3
    album_endpoint_start "$dir" "$album" "$bin/album-server" 0 "$dir/data" "$dir/accounts.txt" "$@"
}

fault_server_start() {  # bin dir [option...]
    local bin=$1 dir=$2
    shift 2
    "$bin/fault-server" 0 "$@" >"$dir/fault.out" 2>"$dir/fault.err" &
    fault_pid=$!
    if ! server_wait "$fault_pid" server_port "$dir/fault.out" >/dev/null; then
        server_failed "$dir" fault "$fault_pid"
        return 1
    fi
    # shellcheck disable=SC2034  # for the caller
    fault_port=$(server_port "$dir/fault.out")
}
