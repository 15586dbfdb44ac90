#!/bin/bash
# Screenshot of the whole control with its folder tree opened on a folder of pictures.
#   tree-shot.sh WINE_RUN SHOT_EXE OUT.png
set -euo pipefail
wine_run=$1 exe=$2 out=$3
: "${TESSALINE_DISPLAY_FILE:?}"
read -r DISPLAY _ <"$TESSALINE_DISPLAY_FILE"
export DISPLAY
work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
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
"$wine_run" "$exe" "C:\\tessaline-tree-shot-$$\\假期照片" "Z:${work//\//\\}\\ready" "Z:${work//\//\\}\\gate" &
pid=$!
for _ in $(seq 600); do
    [ -f "$work/ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -f "$work/ready" ] || { echo "tree-shot: the program did not get ready" >&2; exit 1; }
listed=$(tr -dc 0-9 <"$work/ready")
mkdir -p "$(dirname "$out")"
import -window root -crop 760x520+0+0 +repage "$out"
touch "$work/gate"
wait "$pid"
pid=""
echo "tree-shot: $out ($listed pictures listed)"
[ "$listed" = 7 ]
