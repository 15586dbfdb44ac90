#!/bin/bash
# The panel's folder scan against a bare FindFirstFileA loop, both under Wine.
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" folder-scan "$@"
"$run" "$win_bin/bench_folder_scan.exe"
