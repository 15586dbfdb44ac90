#!/bin/bash
# The panel at 120, 144 and 192 dpi: one run of the test program at each, in the prefix for
# other dpi (scripts/wine-dpi.sh), told the dpi it should find. Usage: SCRIPT WIN_TESTS.EXE
set -euo pipefail
exe=$1
scripts="$(cd "$(dirname "$0")/../.." && pwd)/scripts"
export WINEPREFIX=${WINEPREFIX:?}-dpi
# shellcheck source=../../scripts/wine-env.sh
. "$scripts/wine-env.sh"
# shellcheck source=../../scripts/wine-dpi.sh
. "$scripts/wine-dpi.sh"
trap dpi_end EXIT
dpi_begin "$scripts/wine-run.sh"

status=0
for dpi in 120 144 192; do
    dpi_set "$dpi"
    echo "run-dpi-test: $dpi dpi"
    TESSALINE_EXPECT_DPI=$dpi "$scripts/wine-run.sh" "$exe" --gtest_brief=1 --gtest_filter='PanelDpiTest.*' || status=1
done
exit $status
