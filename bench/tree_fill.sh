#!/bin/bash
# The folder tree's fill of 5,000 subfolders against a bare enumeration plus the bare tree view, under Wine.
#   tree_fill.sh [BUILD]   (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" tree-fill "$@"
"$run" "$win_bin/bench_tree_fill.exe" 2>/dev/null | grep -v '^wine:'
