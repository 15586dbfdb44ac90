#!/bin/bash
# The folder tree's fill of 5,000 subfolders against a bare enumeration plus the bare tree view, under Wine.
#   tree_fill.sh [BUILD]   (the folder holding win/ and native/)
set -euo pipefail
build=$(realpath "${1:-build}")
bin=${TESSALINE_WIN_BIN:-$build/win/bin}
export WINEPREFIX=${WINEPREFIX:-$build/win/wineprefix} TESSALINE_DISPLAY_FILE=${TESSALINE_DISPLAY_FILE:-$build/win/display}
"$(dirname "$0")/../scripts/wine-run.sh" "$bin/bench_tree_fill.exe" 2>/dev/null | grep -v '^wine:'
