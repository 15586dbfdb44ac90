#!/bin/bash
# How long a page's letting go of the control takes, in the host program: the control released
# (its site window destroyed, every reference dropped) while idle, at times from just after its
# creation (its folder tree still filling) to long after; the worst of the runs.
#   release.sh [BUILD]   (the folder holding win/ and native/)
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh" release "$@"
"$run" regsvr32 /s "$win_bin/tessaline.ocx"
worst=""
for after in 1 50 200 500 1000 2000; do
    ms=$("$run" "$win_bin/host.exe" --release-after "$after" --close-after $((after + 500)) 2>/dev/null | tr -d '\r' |
        sed -n 's/^host: control released in \([0-9]*\) ms$/\1/p')
    [ -n "$ms" ] || { echo "release: the host did not let go of the control $after ms after its start" >&2; exit 1; }
    echo "released $after ms after the start: $ms ms"
    [ -z "$worst" ] || [ "$ms" -gt "$worst" ] && worst=$ms
done
echo "bench release-idle: worst $worst ms (target <= 200)"
