#!/bin/bash
# The benchmark report: each kind of "bench" line scored against its target and a missed one
# marked, lines without a target and other output left out, the plot a PNG; a run that
# printed no benchmark line fails instead of reporting nothing.
set -euo pipefail
report=$(dirname "$0")/../../scripts/bench-report.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/results.txt" <<'LINES'
bench fast: ratio 2.50 (target >= 1.0)
a benchmark's own detail line
bench lean: ratio 1.50 (target <= 1.2): 42 MB against 28 MB
bench quick-ui: worst 25 ms (target <= 50)
bench no-target: ratio 0.655
LINES
"$report" "$work/results.txt" "$work" >"$work/table.txt"
diff - "$work/bench.dat" <<'ROWS'
fast ratio 2.50 >= 1.0 2.500 yes
lean ratio 1.50 <= 1.2 0.800 NO
quick-ui ms 25 <= 50 2.000 yes
ROWS
grep -q '^3 benchmarks, 1 below target' "$work/table.txt"
[ "$(head -c 8 "$work/bench.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]
echo "a benchmark's own detail line" >"$work/nothing.txt"
if "$report" "$work/nothing.txt" "$work" >/dev/null; then
    echo "a run without benchmark lines was reported"
    exit 1
fi
echo "bench report: scores, misses and the plot as expected"
