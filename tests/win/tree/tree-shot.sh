#!/bin/bash
# Screenshot of the whole control with its folder tree opened on a folder of pictures.
#   tree-shot.sh WINE_RUN SHOT_EXE OUT.png
set -euo pipefail
wine_run=$1 exe=$2 out=$3
# shellcheck source=../shot-program.sh
. "$(dirname "$0")/../shot-program.sh"
work=$(mktemp -d)
cleanup() {
    shot_stop
    rm -rf "$work" "$shots"
}
trap cleanup EXIT
# On drive C: of the prefix: the tree then shows the short way a user's own folder takes.
: "${WINEPREFIX:?}"
shots="$WINEPREFIX/drive_c/tessaline-tree-shot-$$"
album="$shots/假期照片"
mkdir -p "$album/2024 春节" "$album/海边" "$album/山里"
for i in 1 2 3 4 5 6; do
    convert -size 320x240 -seed $i "plasma:" "$album/IMG_000$i.jpg"
done
convert -size 300x200 gradient:'#f4a460-#4682b4' "$album/sunset.gif"
shot_start "$work/ready" 60 \
    "$wine_run" "$exe" "C:\\tessaline-tree-shot-$$\\假期照片" "Z:${work//\//\\}\\ready" "Z:${work//\//\\}\\gate" || exit 1
listed=$(tr -dc 0-9 <"$work/ready")
mkdir -p "$(dirname "$out")"
import -window root -crop 760x520+0+0 +repage "$out"
touch "$work/gate"
shot_wait
echo "tree-shot: $out ($listed pictures listed)"
[ "$listed" = 7 ]
