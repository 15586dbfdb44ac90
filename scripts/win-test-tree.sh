#!/bin/bash
# The Windows build tree whose tests, demo and benchmarks run here: BUILD/win (i686, the
# control that ships) where the machine runs 32-bit programs, else BUILD/win64. Asked only
# after set-up, which installs what the probe looks for.
#   win-test-tree.sh BUILD
set -euo pipefail
if [ "$("$(dirname "$0")/win-test-arch.sh")" = i686 ]; then echo "$1/win"; else echo "$1/win64"; fi
