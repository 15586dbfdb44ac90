#!/bin/bash
# A picture of the album server's view page, as a page beside the control shows it after a
# batch, without a browser: the page is fetched, and its title, its space line and each of
# its pictures (fetched through the page's own links) with its caption are laid out as the
# page lays them out, one row of figures under the text. The page itself is kept beside it.
#   render-album-view.sh VIEW_URL OUT.png     (also writes OUT.html, the page in UTF-8)
set -euo pipefail
url=$1 out=$2
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
curl -sf "$url" | iconv -f GBK -t UTF-8 >"${out%.png}.html"
page=${out%.png}.html
origin=$(echo "$url" | sed 's|^\(http://[^/]*\).*|\1|')
title=$(sed -n 's|.*<title>\(.*\)</title>.*|\1|p' "$page" | head -1)
space=$(sed -n 's|.*<p class="space"[^>]*>\(.*\)</p>.*|\1|p' "$page" | head -1)
figures=()
n=0
while read -r link caption; do
    n=$((n + 1))
    curl -sf "$origin$link" -o "$work/$n"
    figures+=(-label "$caption" "$work/$n[0]")  # a GIF by its first frame
done < <(sed -n 's|.*<img src="\([^"]*\)".*<figcaption>\(.*\)</figcaption>.*|\1 \2|p' "$page")
[ "$n" -gt 0 ] || { echo "render-album-view: the page shows no picture" >&2; exit 1; }
montage -font "$font" -pointsize 12 "${figures[@]}" -geometry 'x96+8+8' -tile "${n}x1" -background white "$work/row.png"
convert -font "$font" -background white -fill black \
    \( -pointsize 20 label:"$title" \) \( -pointsize 13 label:"$space  —  $url" \) "$work/row.png" \
    -gravity west -splice 12x0 -append -bordercolor white -border 10 "$out"
