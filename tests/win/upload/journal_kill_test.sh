#!/bin/bash
# A journal outlives its writer's death at any instant: 50 times a program that replaces one
# journal in a loop, and writes states over each version in place, is killed (SIGKILL: no
# clean-up of any kind) after a random while, and each time the journal left reads back whole,
# as one of the versions the program wrote.
#   journal_kill_test.sh JOURNAL_WRITER_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../../scripts/wine-env.sh
. "$here/../../../scripts/wine-env.sh"
writer=${1:?usage: journal_kill_test.sh JOURNAL_WRITER_EXE}
work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
folder="Z:${work//\//\\}"
failures=0
versions=()
for run in $(seq 50); do
    # Started straight from Wine's loader, whose process becomes the program's: the PID is
    # the writer's own.
    "$WINE" "$writer" write "$folder" >"$work/out" 2>/dev/null &
    pid=$!
    # A loaded machine may take many seconds to start a Wine program.
    for _ in $(seq 1200); do
        grep -q written "$work/out" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if ! grep -q written "$work/out"; then
        echo "FAIL: run $run: the writer did not start"
        failures=$((failures + 1))
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        pid=""
        continue
    fi
    tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q journal_writer ||
        { echo "FAIL: process $pid is not the writer"; exit 1; }
    # Anywhere in the loop: a write, a flush, the move, a write in place.
    sleep "0.$(printf '%03d' $((RANDOM % 400)))"
    kill -9 "$pid"
    wait "$pid" 2>/dev/null
    pid=""
    if check=$("$WINE" "$writer" check "$folder" 2>/dev/null | tr -d '\r'); then
        versions+=("${check#version }")
    else
        echo "FAIL: run $run: the journal left is not whole (check exited $?)"
        failures=$((failures + 1))
    fi
done
# The kills fell at different points of the loop, not always before the first replacement.
distinct=$(printf '%s\n' "${versions[@]}" | sort -u | wc -l)
echo "50 kills; the journal read back whole $((${#versions[@]})) times, at $distinct different versions"
[ "$distinct" -ge 10 ] || { echo "FAIL: the kills fell at only $distinct versions"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
