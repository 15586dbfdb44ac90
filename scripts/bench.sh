#!/bin/bash
# Runs every benchmark: native bench_* programs, Windows bench_*.exe under Wine, and the
# scripted benchmarks in bench/*.sh. Each prints its own "bench NAME: ratio R (target OP T)"
# (or "worst W ms (target <= T)"); at the end one table of them all, and a plot in
# BUILD/bench/bench.png that docs/ keeps as its latest.
set -uo pipefail
build=${1:-build}
win=$(realpath "${2:-$build/win}")  # the Windows tree that runs here
here=$(cd "$(dirname "$0")/.." && pwd)
out=$build/bench
mkdir -p "$out"
: >"$out/results.txt"
status=0
for b in "$build"/native/bin/bench_*; do
    [ -x "$b" ] || continue
    "$b" | tee -a "$out/results.txt"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
done
export WINEPREFIX=$win/wineprefix TESSALINE_DISPLAY_FILE=$win/display
export TESSALINE_NATIVE_BIN=$(realpath "$build/native")/bin TESSALINE_WIN_BIN=$win/bin
for s in "$here"/bench/*.sh; do
    # The preamble that the benchmarks source is not one.
    [ -f "$s" ] && [ "$(basename "$s")" != common.sh ] || continue
    bash "$s" "$build" | tee -a "$out/results.txt"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
done
"$here/scripts/bench-report.sh" "$out/results.txt" "$out" || status=1
[ -f "$out/bench.png" ] && cp "$out/bench.png" "$here/docs/bench.png"
exit $status
