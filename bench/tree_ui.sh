#!/bin/bash
# How long the user-interface thread leaves a posted message waiting while the folder tree fills
# a branch of 5,000 subfolders, under Wine.
#   tree_ui.sh [BUILD]   (the folder holding win/ and native/)
set -euo pipefail
build=$(realpath "${1:-build}")
bin=${TESSALINE_WIN_BIN:-$build/win/bin}
export WINEPREFIX=${WINEPREFIX:-$build/win/wineprefix} TESSALINE_DISPLAY_FILE=${TESSALINE_DISPLAY_FILE:-$build/win/display}
"$(dirname "$0")/../scripts/wine-run.sh" "$bin/bench_tree_fill.exe" ui 2>/dev/null | grep -v '^wine:'
