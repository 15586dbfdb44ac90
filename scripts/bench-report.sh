#!/bin/bash
# The table of all benchmark lines in a results file, each measure against its target,
# and a plot of them (gnuplot, PNG): measure over target for "at least" targets, target over
# measure for "at most" ones, so that 1 is the target and higher is better on every bar.
#   bench-report.sh RESULTS.txt OUT_DIR    writes OUT_DIR/bench.dat and OUT_DIR/bench.png
set -euo pipefail
results=$1 out=$2
# bench NAME: ratio R (target OP T)...  or  bench NAME: worst W ms (target <= T)...
awk '
    match($0, /^bench [^ :]+: (ratio [0-9.]+|worst [0-9.]+ ms) \(target (>=|<=) [0-9.]+\)/) {
        line = substr($0, 1, RLENGTH); gsub(/[():]/, "", line); n = split(line, f, " ")
        name = f[2]; value = f[4]; op = f[n - 1]; target = f[n]
        unit = f[3] == "worst" ? "ms" : "ratio"
        score = op == ">=" ? value / target : (value > 0 ? target / value : 99)
        met = op == ">=" ? value >= target : value <= target
        printf "%s %s %s %s %s %.3f %s\n", name, unit, value, op, target, score, met ? "yes" : "NO"
    }' "$results" >"$out/bench.dat"
[ -s "$out/bench.dat" ] || { echo "bench report: no benchmark line in $results"; exit 1; }
echo
printf '%-26s %-6s %10s %-10s %7s  %s\n' benchmark kind measured target score met
awk '{ printf "%-26s %-6s %10s %-3s %-6s %7s  %s\n", $1, $2, $3, $4, $5, $6, $7 }' "$out/bench.dat"
missed=$(awk '$7 == "NO"' "$out/bench.dat" | wc -l)
echo "$(wc -l <"$out/bench.dat") benchmarks, $missed below target; plot: $out/bench.png"
gnuplot <<PLOT
set terminal pngcairo size 900,480 font "sans,10"
set output "$out/bench.png"
set title "Benchmarks against their targets (1 = the target; higher is better)"
set style fill solid 0.8 border -1
set boxwidth 0.7
set yrange [0:*]
set ylabel "score"
set xtics rotate by -35 left
set grid ytics
set key off
set arrow from graph 0, first 1 to graph 1, first 1 nohead dashtype 2 linewidth 2 linecolor rgb "#cc0000"
set offsets 0.6, 0.6, 0.5, 0
# The last name slants past the last bar: room for it on the right.
set rmargin 12
# Bars of missed targets in red; over each bar, what was measured.
plot "$out/bench.dat" using 0:6:(strcol(7) eq "yes" ? 0x4682b4 : 0xcc3333):xtic(1) with boxes linecolor rgb variable, \
     "" using 0:6:(strcol(2) eq "ms" ? strcol(3)." ms" : strcol(3)) with labels offset 0,0.7 font "sans,8"
PLOT
