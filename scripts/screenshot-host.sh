#!/bin/bash
# Shows the registered control in the host program inside a framed Wine desktop on a private
# Xvfb display and writes a screenshot of it once the host is on screen and all is drawn.
#   screenshot-host.sh WIN_BUILD_DIR OUT.png [--dpi N] [host options...]
# At N dpi (96 unless given) the screen, the desktop and the host's window are N/96 times as
# large, as a browser zoomed to its screen shows a page; the control draws at N dpi.
set -euo pipefail
win=$(realpath "$1") out=$2
shift 2
dpi=96
if [ "${1:-}" = --dpi ]; then dpi=$2 && shift 2; fi
export WINEPREFIX=$win/wineprefix
[ "$dpi" = 96 ] || WINEPREFIX=$win/wineprefix-dpi
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"
# shellcheck source=wine-dpi.sh
. "$(dirname "$0")/wine-dpi.sh"
# shellcheck source=screenshot-settled.sh
. "$(dirname "$0")/screenshot-settled.sh"
screen=$((1024 * dpi / 96))x$((768 * dpi / 96))
fdfile=$(mktemp) log=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
trap 'dpi_end; kill $xvfb 2>/dev/null; rm -f "$fdfile" "$log"' EXIT
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
export DISPLAY=:$(tr -d '\n' <"$fdfile")
if [ "$dpi" != 96 ]; then
    dpi_begin "$WINE"
    dpi_set "$dpi"
fi
"$WINE" regsvr32 /s "$win/bin/tessaline.ocx" >/dev/null 2>&1
"$WINE" explorer /desktop=tessaline,"$screen" "$win/bin/host.exe" --close-after 60000 \
    --size $((800 * dpi / 96))x$((600 * dpi / 96)) --report-window "TESSALINE host" "$@" >"$log" 2>&1 &
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
