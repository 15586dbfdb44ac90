#!/bin/bash
# Runs every benchmark: native bench_* programs, Windows bench_*.exe under Wine, and the
# scripted benchmarks in bench/*.sh. Each prints its own "bench NAME: ratio R (target OP T)".
set -uo pipefail
build=${1:-build}
win=$(realpath "${2:-$build/win}")  # the Windows tree that runs here
here=$(cd "$(dirname "$0")/.." && pwd)
status=0
for b in "$build"/native/bin/bench_*; do
    [ -x "$b" ] || continue
    "$b" || status=1
done
export WINEPREFIX=$win/wineprefix TESSALINE_DISPLAY_FILE=$win/display
export TESSALINE_NATIVE_BIN=$(realpath "$build/native")/bin TESSALINE_WIN_BIN=$win/bin
for s in "$here"/bench/*.sh; do
    [ -f "$s" ] || continue
    bash "$s" "$build" || status=1
done
exit $status
