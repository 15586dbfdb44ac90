#!/bin/bash
# Shows the registered control in the host program inside a framed Wine desktop on a private
# Xvfb display and writes a screenshot of it.
#   screenshot-host.sh WIN_BUILD_DIR OUT.png [host options...]
set -euo pipefail
win=$(realpath "$1") out=$2
shift 2
export WINEPREFIX=$win/wineprefix
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fdfile"' EXIT
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
export DISPLAY=:$(tr -d '\n' <"$fdfile")
"$WINE" regsvr32 /s "$win/bin/tessaline.ocx" >/dev/null 2>&1
"$WINE" explorer /desktop=tessaline,1024x768 "$win/bin/host.exe" --close-after 8000 "$@" >/dev/null 2>&1 &
host=$!
sleep 6
mkdir -p "$(dirname "$out")"
import -window root "$out"
wait $host || true
echo "screenshot: $out"
