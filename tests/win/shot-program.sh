# Sourced by the screenshot tests. Their program runs under Wine on the tree's display
# (DISPLAY is set here), writes a file once its windows can be shot, and carries on once the
# script has made another, the gate. The caller's EXIT trap calls shot_stop.
#   shot_start READY SECONDS COMMAND...  runs COMMAND in the background and waits up to
#                                        SECONDS for READY; false, with a word on stderr,
#                                        when the program ended or the time ran out first
#   shot_wait                            waits for the program: its exit status
#   shot_stop                            ends the program if it still runs
# shellcheck shell=bash
: "${TESSALINE_DISPLAY_FILE:?}"
read -r DISPLAY _ <"$TESSALINE_DISPLAY_FILE"
export DISPLAY
shot_pid=""

shot_start() {  # ready seconds command...
    local ready=$1 tries=$(($2 * 10))
    shift 2
    "$@" &
    shot_pid=$!
    for _ in $(seq "$tries"); do
        [ -f "$ready" ] && return 0
        kill -0 "$shot_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -f "$ready" ] && return 0
    if kill -0 "$shot_pid" 2>/dev/null; then
        echo "$(basename "$0"): the program did not get ready in $2 s" >&2
    else
        local rc=0
        shot_wait || rc=$?
        echo "$(basename "$0"): the program did not get ready (exit $rc)" >&2
    fi
    return 1
}

shot_wait() {
    local rc=0
    wait "$shot_pid" || rc=$?
    shot_pid=""
    return $rc
}

shot_stop() {
    [ -z "$shot_pid" ] || kill "$shot_pid" 2>/dev/null
}
