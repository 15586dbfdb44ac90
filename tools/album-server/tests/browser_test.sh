#!/bin/bash
# The album server's pages in a real browser (chromium, headless): the upload page of a
# demonstration, in a browser without the control, shows the page's own words about it
# instead; the album view shows every stored name as text, one that holds markup too, and
# runs nothing from it.
#   browser_test.sh ALBUM_SERVER_BIN_DIR [SHOTS_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../../..
# shellcheck source=../../../scripts/servers.sh
. "$root/scripts/servers.sh"
# shellcheck source=../../../scripts/browser.sh
. "$root/scripts/browser.sh"
bin=$1 shots=${2:-}
work=$(mktemp -d)
album_pid=""
cleanup() {
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null && wait "$album_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -n "$shots" ] || shots=$work

album=我的相册
album_hex=$(printf '%s' "$album" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
printf '10001 20480 %s\n' "$album" >"$work/accounts.txt"
# Two pictures already in the album: one with a plain name, one whose name is markup that
# would run if the page let it through (put there by some other program: uploads cannot).
hostile="<img src=x onerror=\"document.title='ran'\">.jpg"
mkdir -p "$work/data/10001/$album_hex"
convert -size 160x120 -seed 3 plasma: "$work/data/10001/$album_hex/$(printf '晨曦.jpg' | iconv -f UTF-8 -t GBK)"
convert -size 160x120 -seed 4 plasma: "$work/data/10001/$album_hex/$hostile"
album_server_start "$bin" "$work" "$album" --secret browser --demo --page "$root/examples/upload.html" || exit 1
origin=http://127.0.0.1:$album_port

view=$origin/view/10001/$album_hex/
browser_text "$view" >"$work/view.txt" || fail "the browser did not print the album view"
grep -qF "$hostile" "$work/view.txt" || fail "the markup in a name is not shown as text: $(cat "$work/view.txt")"
grep -qF '晨曦.jpg' "$work/view.txt" || fail "the plain name is not shown: $(cat "$work/view.txt")"
browser_dom "$view" >"$work/view.dom" || fail "the browser did not load the album view"
grep -q '<title>ran</title>' "$work/view.dom" && fail "a name's markup ran in the album view"
[ "$(grep -o '<img ' "$work/view.dom" | wc -l)" = 2 ] || fail "the view holds other images than its two: $(cat "$work/view.dom")"
browser_screenshot "$view" "$shots/album-view-names.png" || fail "no screenshot of the album view"

# The page of the demonstration, as a browser without the control shows it.
page=$origin/upload/10001/$album_hex/
fallback="这个页面需要照片上传控件。请在 Internet Explorer 中打开，并允许安装控件。"
browser_text "$page" >"$work/page.txt" || fail "the browser did not print the upload page"
grep -qF "$fallback" "$work/page.txt" || fail "the page does not tell a browser without the control: $(cat "$work/page.txt")"
# shellcheck disable=SC1111  # the heading's own quotation marks
grep -qF "上传照片到“$album”" "$work/page.txt" || fail "the page's heading does not name the album: $(head -3 "$work/page.txt")"
browser_screenshot "$page" "$shots/upload-page-without-control.png" 900x560 || fail "no screenshot of the upload page"

[ $failures -eq 0 ] && echo "browser: the album view shows names as text; the upload page falls back in a browser without the control"
exit $failures
