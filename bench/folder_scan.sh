#!/bin/bash
# The panel's folder scan against a bare FindFirstFileA loop, both under Wine.
set -euo pipefail
build=$(realpath "${1:-build}")
export WINEPREFIX=$build/win/wineprefix TESSALINE_DISPLAY_FILE=$build/win/display
"$(dirname "$0")/../scripts/wine-run.sh" "$build/win/bin/bench_folder_scan.exe"
