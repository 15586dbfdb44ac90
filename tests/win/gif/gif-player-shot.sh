#!/bin/bash
# Screenshot of the GIF player paused on a known frame, at its own size and stretched to
# twice it, compared pixel for pixel with that frame as ImageMagick composes it.
#   gif-player-shot.sh WINE_RUN SHOT_EXE GIF [--docs OUT.png]
set -euo pipefail
wine_run=$1 exe=$2 gif=$3
docs=""
if [ "${4:-}" = "--docs" ]; then docs=$5; fi
# shellcheck source=../shot-program.sh
. "$(dirname "$0")/../shot-program.sh"

work=$(mktemp -d)
cleanup() {
    shot_stop
    rm -rf "$work"
}
trap cleanup EXIT

frame=5
shot_start "$work/info.txt" 30 "$wine_run" "$exe" "Z:$gif" "Z:$work/info.txt" "Z:$work/gate" $frame || exit 1
import -window root "$work/shot.png"
touch "$work/gate"

{ read -r face cx cy cw ch; read -r x1 y1 w1 h1 f1; read -r x2 y2 w2 h2 f2; } < <(tr -d "\r" <"$work/info.txt")
echo "face #$face; natural ${w1}x${h1}+$x1+$y1 frame $f1; stretched ${w2}x${h2}+$x2+$y2 frame $f2"

# The frames as another decoder composes them, over the window's face colour.
convert "$gif" -coalesce -background "#$face" -alpha remove -alpha off "$work/frame-%d.png"
fail=0
check() {  # name geometry frame scale
    convert "$work/shot.png" -crop "$2" +repage "$work/$1.png"
    convert "$work/frame-$3.png" -sample "$4" "$work/$1-want.png"
    local diff
    diff=$(compare -metric AE "$work/$1.png" "$work/$1-want.png" null: 2>&1) || true
    echo "$1: $diff pixels differ"
    [ "$diff" = "0" ] || fail=1
}
check natural "${w1}x${h1}+$x1+$y1" "$f1" 100%
check stretched "${w2}x${h2}+$x2+$y2" "$f2" 200%
[ "$w1" = 272 ] && [ "$h1" = 56 ] && [ "$w2" = 544 ] && [ "$h2" = 112 ] || fail=1

if [ -n "$docs" ]; then
    convert "$work/shot.png" -crop "${cw}x${ch}+$cx+$cy" +repage "$docs"
    echo "wrote $docs"
fi

shot_wait && rc=0 || rc=$?
if [ "$rc" != 0 ]; then
    echo "gif-player-shot: the player exited with $rc after resuming" >&2
    fail=1
fi
exit $fail
