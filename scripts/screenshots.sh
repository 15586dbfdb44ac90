#!/bin/bash
# Screenshots of the control for docs/, each taken in the host program on a private display.
set -euo pipefail
win=$(realpath "${1:-build/win}")
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/screenshot-host.sh" "$win" "$here/docs/control-in-host.png" \
    --set AlbumName=Demo --set SpaceSize=51200 --set SpaceUsedSize=12288
