#!/bin/bash
# The folder tree's fill of 5,000 subfolders against a plain IShellFolder enumeration, under Wine.
#   tree_fill.sh [WIN_BUILD_DIR]   (default build/win)
set -euo pipefail
win=$(realpath "${1:-build/win}")
export WINEPREFIX=$win/wineprefix TESSALINE_DISPLAY_FILE=$win/display
"$(dirname "$0")/../scripts/wine-run.sh" "$win/bin/bench_tree_fill.exe" 2>/dev/null | grep -v '^wine:'
