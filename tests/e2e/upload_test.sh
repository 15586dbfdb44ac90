#!/bin/bash
# A person uploads pictures from the host program, every step a click on the real windows:
# opens the sample folder in the tree (computer, drive C:, the folder), picks pictures, reads the
# space text, the progress and the summary with its reasons, uploads the failures again and
# dismisses the end. The uploads go through the fault server's relay to the album server, so
# that chosen pictures meet a fault on the way and the others reach the album.
#   upload_test.sh album   auto compress off, then on; the first picture meets a server that
#                          stops reading (so the progress dialog is read mid-pass), another
#                          a 503, until "重新上传"; no picture can be made of the damaged file
#   upload_test.sh faults  auto compress off, everything selected; a reset, a 503 answer, a
#                          slow answer and a server that stops reading, each until "重新上传";
#                          the server refuses the damaged file
# Then on the server: exactly the expected pictures, byte for byte or re-encoded within the
# album's limits; UploadFinished once; no temporary copy left; the sources unchanged. The
# album's view page, in a real browser, shows each of them, drawn, under its name.
# With SHOTS_DIR (the demo) a screenshot of each step goes there, with the album's view.
#   upload_test.sh album|faults [SHOTS_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
# shellcheck source=screen.sh
. "$here/screen.sh"
# shellcheck source=../../scripts/screenshot-settled.sh
. "$root/scripts/screenshot-settled.sh"
# shellcheck source=../../scripts/servers.sh
. "$root/scripts/servers.sh"
# shellcheck source=../../scripts/browser.sh
. "$root/scripts/browser.sh"
mode=${1:-} shots=${2:-}
# shot: once the screen has settled; shot_now: at once, for what does not stay.
shot() { [ -z "$shots" ] || { screenshot_settled "$shots/$1.png" && echo "screenshot: $shots/$1.png"; }; }
shot_now() { [ -z "$shots" ] || { import -window root "$shots/$1.png" && echo "screenshot: $shots/$1.png"; }; }
case "$mode" in album | faults) ;; *) echo "usage: upload_test.sh album|faults"; exit 2 ;; esac
bin=${TESSALINE_NATIVE_BIN:?}
work=$(mktemp -d)
# On drive C: of the tree's own prefix: two levels down in the tree, among few others.
folder_name=e2e-$mode-$$
folder=$WINEPREFIX/drive_c/$folder_name
temp_dir=$WINEPREFIX/drive_c/users/$(id -un)/Temp
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    screen_stop
    rm -rf "$work" "$folder"
}
trap cleanup EXIT

"$root/scripts/make-sample-pictures.sh" "$folder"
(cd "$folder" && sha256sum -- *) >"$work/sources.before"
size_of() { stat -c %s "$folder/$1"; }
# Every file the control makes there is its own: copies ("DORivav…") and answer files.
temp_files() { find "$temp_dir" -maxdepth 1 -type f -printf '%f\n' 2>/dev/null | sort; }
temp_files >"$work/temp.before"

album=我的相册
album_hex=$(printf '%s' "$album" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
printf '10001 20480 %s\n' "$album" >"$work/accounts.txt"
album_server_start "$bin" "$work" "$album" --secret e2e || exit 1
pids+=("$album_pid")
fault_server_start "$bin" "$work" --upstream "$album_port" || exit 1
pids+=("$fault_pid")
fault_url=http://127.0.0.1:$fault_port
plan() {  # name count plan: the next COUNT uploads of NAME meet PLAN
    curl -sf "$fault_url/_fault-name/$1/$2/$3" >/dev/null || fail "the fault server took no plan for $1"
}
# Each fault lasts for the first pass only: a transfer tries three times after a broken
# connection and after a 503, waiting a little longer before each try.
# A slow answer still stores the picture: the album's verdict only comes back a byte at a time.
if [ "$mode" = album ]; then
    plan cat.jpg 3 stop-reading/1000/1500
    plan lighthouse.jpg 3 status/503
else
    plan cat.jpg 3 reset-after/1000
    plan dog.jpg 3 status/503
    plan flag.gif 1 slow/20
    plan harbour.jpg 3 stop-reading/20000/1500
fi

register_control || exit 1
screen_start || exit 1
in_desktop "$work/host.out" "$host" --set KXUin=10001 --set AlbumName="$album" --set Signature="$album_signature" \
    --set SpaceSize=20480 --set SpaceUsedSize=0 --set LimitXSize=1024 --set LimitYSize=768 \
    --set UploadCGI="$fault_url/relay/cgi-bin/upload"
shown() { probe "TESSALINE host" >"$work/host" || { fail "no host window: $(tr -d '\r' <"$work/host.out")"; exit 1; }; }
child() { awk -v id="$1" '$1 == "child" && $3 == id' "$work/host" | head -1; }

# The folder in the tree: a double click on a label opens its branch, a click on the
# folder's label shows its pictures.
tree_item() {  # TEXT: waits for the tree item whose label holds TEXT and prints its line
    local line
    for _ in $(seq 100); do
        shown
        line=$(awk -v t="$1" '$1 == "item" && index($0, t)' "$work/host" | head -1)
        [ -n "$line" ] && { echo "$line"; return 0; }
        sleep 0.1
    done
    fail "the tree shows no $1: $(grep '^item' "$work/host" | tr '\n' '|')" >&2
    return 1
}
for label in '"我的电脑"' 'C:)' "\"$folder_name\""; do
    item=$(tree_item "$label") || exit 1
    # The tree opened down to the folder, before the folder itself is opened.
    [ "$label" = "\"$folder_name\"" ] && shot 1-tree
    click "$item"
    [ "$label" = "\"$folder_name\"" ] || xdotool click --repeat 2 --delay 80 1
done
select_all_enabled() { shown && child 204 | grep -q ' enabled '; }
wait_until 20 select_all_enabled || { fail "the folder's pictures did not come: $(child 204)"; exit 1; }
shot 2-thumbnails

# The grid's cells, as it lays them out: 117 pixels apart from 15, rows 147 apart from 6.
grid=$(awk '$1 == "child" && $2 ~ /^TessalineWnd:/ && $3 == 1' "$work/host" | head -1)
[ -n "$grid" ] || { fail "no thumbnail grid: $(cat "$work/host")"; exit 1; }
read -r grid_x grid_y grid_w grid_h < <(echo "$grid" | awk '{ split($4, p, ","); split($5, s, "x"); print p[1], p[2], s[1], s[2] }')
# Its scroll bar (17 pixels) takes from the width only when the rows overflow the height.
columns=$((grid_w / 117))
[ $(((7 + columns - 1) / columns * 147 + 6)) -le "$grid_h" ] || columns=$(((grid_w - 17) / 117))
# The folder lists its pictures by name.
names=(cat.jpg damaged.jpg dog.jpg flag.gif harbour.jpg lighthouse.jpg market.jpg)
click_picture() {  # name
    local i
    for i in "${!names[@]}"; do [ "${names[$i]}" = "$1" ] && break; done
    xdotool mousemove $((grid_x + 15 + 117 * (i % columns) + 51)) $((grid_y + 6 + 147 * (i / columns) + 51)) click 1
}
compress_box() { click "$(child 203)"; }
# "当前选择：X.XXM" of the space text.
selection_mb() { shown && child 201 | sed -n 's/.*当前选择：\([0-9.]*\)M.*/\1/p'; }
selection_is() { [ "$(selection_mb)" = "$1" ]; }
mb() { awk -v b="$1" 'BEGIN { printf "%.2f", b / 1048576 }'; }

declare -A reason_of
if [ "$mode" = album ]; then
    compress_box
    click_picture harbour.jpg
    click_picture cat.jpg
    as_is=$(mb $(($(size_of harbour.jpg) + $(size_of cat.jpg))))
    wait_until 10 selection_is "$as_is" || fail "without auto compress the selection reads $(selection_mb), not $as_is M"
    # On again: the large picture is shrunk to the album's limits, the selection with it.
    compress_box
    smaller() { awk -v a="$(selection_mb)" -v b="$as_is" 'BEGIN { exit !(a > 0 && a < b) }'; }
    wait_until 20 smaller || fail "with auto compress the selection still reads $(selection_mb) M"
    click_picture lighthouse.jpg
    click_picture flag.gif
    click_picture damaged.jpg
    sent=(cat.jpg damaged.jpg flag.gif harbour.jpg lighthouse.jpg)
    first=cat.jpg first_pass="上传完毕，共 2 个成功，3 个失败。"
    # No picture can be made of the damaged file: it stays behind, with its reason.
    damaged_row="damaged.jpg | 无法处理这张图片，没有上传"
    # Each failure with the reason its fault gives: the peer that stops reading, the 503.
    reason_of=([cat.jpg]=网络连接中断，服务器没有应答 [damaged.jpg]=无法处理这张图片，没有上传 [lighthouse.jpg]=服务器应答出错，图片没有保存)
    last_title=上传结果 last_pass="上传完毕，共 4 个成功，1 个失败。其中被服务器拒绝的文件将不予重新上传。"
    shrunk=" harbour.jpg lighthouse.jpg "
else
    compress_box
    click "$(child 204)"
    all=0
    for n in "${names[@]}"; do all=$((all + $(size_of "$n"))); done
    wait_until 10 selection_is "$(mb $all)" || fail "select all reads $(selection_mb), not $(mb $all) M"
    sent=("${names[@]}")
    first=cat.jpg first_pass="上传完毕，共 3 个成功，4 个失败。"
    # Sent as it is, the damaged file is the server's to refuse; it is not offered again.
    damaged_row="damaged.jpg | 被服务器拒绝，原因：不是图片文件"
    reason_of=([cat.jpg]=网络连接中断，服务器没有应答 [dog.jpg]=服务器应答出错，图片没有保存 [harbour.jpg]=网络连接中断，服务器没有应答)
    last_title=提示 last_pass="上传完毕，共 6 个成功，0 个失败。"
    shrunk=" "
fi
shot 3-selection
click "$(child 202)"

# Mid-pass: the progress dialog names the picture in flight and counts the pass.
if probe "上传进度" --timeout 30000 >"$work/progress"; then
    shot_now 4-progress
    # The first picture is held up long enough in the album run to be caught on screen;
    # in the faults run the dialog is read wherever the pass is.
    if [ "$mode" = album ]; then
        pattern="已上传 0 个，共 ${#sent[@]} 个" in_flight=$first
    else
        pattern="已上传 [0-6] 个，共 ${#sent[@]} 个" in_flight="[a-z]*\.\(jpg\|gif\)"
    fi
    grep -q "^child Static 208 .*\"$pattern\"$" "$work/progress" || fail "the progress counts $(awk '$3 == 208' "$work/progress")"
    grep -q "^child Static 206 .*\"$in_flight\"$" "$work/progress" || fail "in flight: $(awk '$3 == 206' "$work/progress")"
    grep -q '^child Static 207 .*"已上传 .* KB，共 .* KB"$' "$work/progress" || fail "bytes: $(awk '$3 == 207' "$work/progress")"
else
    fail "no progress dialog"
fi

# The first pass's summary: every failure with its reason; the damaged file is refused.
probe "上传结果" --timeout 90000 >"$work/result" || { fail "no result dialog: $(tr -d '\r' <"$work/host.out")"; exit 1; }
[ -n "$(line_of "$work/result" Static 216 "${first_pass}其中被服务器拒绝的文件将不予重新上传。")" ] ||
    fail "the first summary: $(awk '$3 == 216' "$work/result")"
shot 5-result
grep -q "^row SysListView32 .*\"$damaged_row\"$" "$work/result" ||
    fail "the damaged file's row: $(grep '^row .*damaged' "$work/result")"
# Every picture that did not get through is listed: the failed ones and the damaged one.
rows=$(grep -c '^row ' "$work/result")
listed=${#reason_of[@]}
[ "$mode" = faults ] && listed=$((listed + 1))
[ "$rows" = "$listed" ] || fail "$rows rows listed: $(grep '^row' "$work/result" | tr '\n' '|')"
for n in "${!reason_of[@]}"; do
    reason=$(grep "^row .*\"$n | " "$work/result" | sed 's/.*| \(.*\)"$/\1/')
    [ "$reason" = "${reason_of[$n]}" ] || fail "$n failed with \"$reason\", not \"${reason_of[$n]}\""
    echo "first pass: $n: $reason"
done
again=$(line_of "$work/result" Button 1 "重新上传")
grep -q '^child Button 1 .* enabled "重新上传"$' "$work/result" || fail "no enabled 重新上传: $again"
click "$again"

# The second pass stores everything that can be stored; its summary is dismissed.
second_summary() { probe "$last_title" --timeout 1000 >"$work/done" && grep -q "^child Static .*\"$last_pass\"$" "$work/done"; }
wait_until 90 second_summary || fail "the last summary: $(grep '^child Static' "$work/done")"
shot 6-done
click "$(line_of "$work/done" Button 2 "确定")$(line_of "$work/done" Button 1 "确定")"
ended() { tr -d '\r' <"$work/host.out" | grep -q '^event UploadFinished$'; }
wait_until 10 ended || fail "no UploadFinished after the summary"
# Closed by its close box, at the right end of the title bar, as a person closes it; the
# control deletes its copies as it goes.
shown
read -r frame_x frame_y frame_w < <(awk '$1 == "window" { split($4, p, ","); split($5, s, "x"); print p[1], p[2], s[1]; exit }' "$work/host")
xdotool mousemove $((frame_x + frame_w - 13)) $((frame_y + 12)) click 1
probe "TESSALINE host" --gone >/dev/null || fail "the host did not close"
events=$(tr -d '\r' <"$work/host.out" | grep -c '^event ')
[ "$events" = 1 ] || fail "$events events reached the host"

# The album holds exactly the pictures sent less the damaged one.
album_dir=$work/data/10001/$album_hex
for n in "${sent[@]}"; do
    [ "$n" = damaged.jpg ] && continue
    stored=$album_dir/$n
    if [ ! -f "$stored" ]; then
        fail "$n is not in the album"
    elif [[ "$shrunk" == *" $n "* ]]; then
        read -r w h < <(identify -format '%w %h' "$stored")
        [ "$(identify -format %m "$stored")" = JPEG ] && [ "$w" -le 1024 ] && [ "$h" -le 768 ] ||
            fail "$n is stored as ${w}x$h, beyond 1024x768"
    else
        cmp -s "$folder/$n" "$stored" || fail "$n is not stored byte for byte"
    fi
done
extra=$(find "$work/data/10001" -type f | wc -l)
kept=$((${#sent[@]} - 1))
[ "$extra" = "$kept" ] || fail "the album holds $extra files: $(find "$work/data/10001" -type f -printf '%f ')"
[ -z "$(ls -A "$work/data/.incoming" 2>/dev/null)" ] || fail "half-received uploads are left on the server"

(cd "$folder" && sha256sum -- *) | diff "$work/sources.before" - >/dev/null || fail "a source picture changed"
temp_files | comm -13 "$work/temp.before" - >"$work/temp.left"
[ -s "$work/temp.left" ] && fail "temporary files left: $(tr '\n' ' ' <"$work/temp.left")"

# The view a page shows beside the control after the batch, in a browser: every picture the
# album holds under its name, and drawn (the photographs' colours fill part of the page).
view=http://127.0.0.1:$album_port/view/10001/$album_hex/
view_shot=${shots:-$work}/7-album-view.png
if browser_text "$view" >"$work/view.txt" && browser_screenshot "$view" "$view_shot" 800x220; then
    for n in "${sent[@]}"; do
        [ "$n" = damaged.jpg ] || grep -qF "$n" "$work/view.txt" || fail "the album view does not show $n: $(cat "$work/view.txt")"
    done
    coloured=$(convert "$view_shot" -colorspace HSL -channel G -separate +channel -threshold 30% -format '%[fx:mean]' info:)
    awk -v c="$coloured" 'BEGIN { exit !(c > 0.01) }' || fail "the album view draws no pictures (coloured share $coloured)"
    [ -z "$shots" ] || echo "screenshot: $view_shot"
else
    fail "the browser did not show the album view"
fi
if [ -n "$shots" ]; then
    echo "the album server stored:"
    (cd "$album_dir" && ls -l --time-style=+ -- * | awk '{ print "  " $NF, $5, "bytes" }')
fi
[ $failures -eq 0 ] && echo "upload $mode: ${#sent[@]} pictures, all checks passed"
exit $failures
