#!/bin/bash
# Runs one fuzzer for a bounded time over its seed corpus, on a scratch copy of the corpus
# so that the committed seeds stay as they are.
set -euo pipefail
fuzzer=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
[ -d "$seeds" ] && cp -r "$seeds"/. "$work/corpus/"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" 2>&1 | tail -20
