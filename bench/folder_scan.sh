#!/bin/bash
# The panel's folder scan against a bare FindFirstFileA loop, both under Wine.
set -euo pipefail
build=$(realpath "${1:-build}")
bin=${TESSALINE_WIN_BIN:-$build/win/bin}
export WINEPREFIX=${WINEPREFIX:-$build/win/wineprefix} TESSALINE_DISPLAY_FILE=${TESSALINE_DISPLAY_FILE:-$build/win/display}
"$(dirname "$0")/../scripts/wine-run.sh" "$bin/bench_folder_scan.exe"
