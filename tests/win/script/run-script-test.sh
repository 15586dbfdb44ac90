#!/bin/bash
# Registers the built control in the test prefix and runs one JScript file through Wine's
# cscript, the script client a page would be. Exit code: the script's failures.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../../scripts/wine-run.sh
"$run" regsvr32 /s "$TESSALINE_OCX" || { echo "could not register $TESSALINE_OCX"; exit 1; }
script=$("$run" winepath -w "$here/$1" 2>/dev/null)
"$run" cscript //nologo "$script"
