#!/bin/bash
# Shows the registered control in the host program inside a framed Wine desktop on a private
# Xvfb display and writes a screenshot of it once the host is on screen and all is drawn.
#   screenshot-host.sh WIN_BUILD_DIR OUT.png [host options...]
set -euo pipefail
win=$(realpath "$1") out=$2
shift 2
export WINEPREFIX=$win/wineprefix
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"
# shellcheck source=screenshot-settled.sh
. "$(dirname "$0")/screenshot-settled.sh"
fdfile=$(mktemp) log=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fdfile" "$log"' EXIT
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
export DISPLAY=:$(tr -d '\n' <"$fdfile")
"$WINE" regsvr32 /s "$win/bin/tessaline.ocx" >/dev/null 2>&1
"$WINE" explorer /desktop=tessaline,1024x768 "$win/bin/host.exe" --close-after 60000 \
    --report-window "TESSALINE host" "$@" >"$log" 2>&1 &
host=$!
for _ in $(seq 600); do
    grep -q '^window shown: 1' "$log" && break
    kill -0 "$host" 2>/dev/null || break
    sleep 0.05
done
grep -q '^window shown: 1' "$log" || { echo "screenshot-host: the host did not show: $(cat "$log")" >&2; exit 1; }
screenshot_settled "$out"
# The host runs inside the desktop's process tree: it is ended by its Windows process id.
"$WINE" taskkill /f /pid "$(tr -d '\r' <"$log" | sed -n 's/^host: ready, .*process \([0-9]*\)$/\1/p')" >/dev/null 2>&1 || true
wait $host || true
echo "screenshot: $out"
