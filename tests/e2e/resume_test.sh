#!/bin/bash
# A batch cut short by the browser's death goes on at the next start. The host program is
# killed (SIGKILL: nothing of it runs after) while the fourth of six pictures is stored and its
# answer is still on its way, one picture is then edited, and the host is started again with
# the same properties. It asks once; "是": the folder's pictures that are left go up, the
# edited one is listed as changed, the one in flight and the one recorded ahead of its start
# are marked as possibly in the album already, UploadFinished fires, and the album holds every other picture exactly once. Killed
# again and answered "否": the journal is gone and the next start asks nothing. Killed once
# more with the folder then gone: "是" says nothing is left and forgets the list.
# With SHOTS_DIR a screenshot of the question and of the result goes there.
#   resume_test.sh [SHOTS_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
# shellcheck source=screen.sh
. "$here/screen.sh"
# shellcheck source=../../scripts/servers.sh
. "$root/scripts/servers.sh"
bin=${TESSALINE_NATIVE_BIN:?}
shots=${1:-}
shot() { [ -z "$shots" ] || import -window root "$shots/$1.png"; }
work=$(mktemp -d)
pictures=$work/pictures
# The control's own folder under the user's local application data, in the tree's prefix.
journals=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Tessaline
album=Resume
# A user no other test uploads as: other programs in this prefix keep journals and claims of
# their own in the same folder, side by side with this one's.
uin=10077
album_hex=$(printf '%s' "$album" | od -An -tx1 | tr -d ' \n')
album_dir=$work/data/$uin/$album_hex
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    kill_host
    screen_stop
    rm -f "$journals"/pass-$uin-*.journal
    rm -rf "$work"
}
trap cleanup EXIT

# The host program's own processes on this prefix and display (one that closed its window may
# still be ending): found by their command line and environment, ended by their PIDs.
host_pids() {
    local p
    for p in /proc/[0-9]*; do
        [ -O "$p" ] || continue
        # The program's own name first: the desktop's explorer names it among its arguments.
        head -zn1 "$p/cmdline" 2>/dev/null | tr -d '\0' | grep -qi 'host\.exe$' || continue
        tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "DISPLAY=${DISPLAY:-}" || continue
        echo "${p#/proc/}"
    done
}
no_host() { [ -z "$(host_pids)" ]; }
kill_host() {
    local pid
    for pid in $(host_pids); do kill -9 "$pid"; done
    wait_until 10 no_host || fail "a host program outlived its kill"
}

mkdir -p "$pictures"
colours=(red green blue yellow purple orange)
for i in 1 2 3 4 5 6; do convert -size 64x48 "xc:${colours[$((i - 1))]}" "$pictures/p$i.jpg"; done
(cd "$pictures" && sha256sum -- *) >"$work/sources.before"
printf '%s 20480 %s\n' "$uin" "$album" >"$work/accounts.txt"
album_server_start "$bin" "$work" "$album" --secret e2e || exit 1
pids+=("$album_pid")
fault_server_start "$bin" "$work" --upstream "$album_port" || exit 1
pids+=("$fault_pid")
fault_url=http://127.0.0.1:$fault_port
rm -f "$journals"/pass-$uin-*.journal
register_control || exit 1
screen_start || exit 1

props=(--set KXUin=$uin --set AlbumName="$album" --set Signature="$album_signature" --set SpaceSize=20480
    --set UploadCGI="$fault_url/relay/cgi-bin/upload")
stored_count() { find "$album_dir" -maxdepth 1 -type f 2>/dev/null | wc -l; }
# A batch over the whole folder, killed once the fourth picture is in the album and its
# answer comes back a byte every 200 ms.
batch_killed_at_p4() {  # name
    curl -sf "$fault_url/_fault-name/p4.jpg/1/slow/200" >/dev/null || fail "the fault server took no plan"
    local before
    before=$(stored_count)
    in_desktop "$work/$1.out" "$host" "${props[@]}" --open-folder "$(winpath "$pictures")" --upload
    p4_stored() { [ "$(stored_count)" -ge $((before + 4)) ]; }
    wait_until 60 p4_stored || { fail "$1: the album never got four pictures: $(tr -d '\r' <"$work/$1.out")"; exit 1; }
    sleep 0.5
    kill_host
    ls "$journals"/pass-$uin-*.journal >/dev/null 2>&1 || fail "$1: no journal after the kill"
    # The dead pass's claim goes when the system has closed the dead process's handles,
    # which Wine's server does a moment after the process is gone.
    unclaimed() { ! ls "$journals"/pass-$uin-*.lock >/dev/null 2>&1; }
    wait_until 30 unclaimed || fail "$1: the killed host's claim is still held"
}
# The question of a start after a kill; its window's listing in NAME.box.
question() {  # name pending
    probe "提示" --timeout 30000 >"$work/$1.box" || { fail "$1: no question: $(tr -d '\r' <"$work/$1.out")"; exit 1; }
    grep -qF "\"上次有 $2 张图片没有上传完毕，是否继续上传？\"" "$work/$1.box" ||
        fail "$1: the question reads: $(grep '^child Static' "$work/$1.box")"
}
button() { awk -v id="$2" '$1 == "child" && $2 == "Button" && $3 == id' "$work/$1.box" | head -1; }

# Killed with p1 to p3 stored and p4 in flight; p6 edited meanwhile.
batch_killed_at_p4 first
touch -d '+1 minute' "$pictures/p6.jpg"
in_desktop "$work/yes.out" "$host" "${props[@]}" --close-on-finish
question yes 3
shot resume-question
click "$(button yes 6)"
probe "上传结果" --timeout 60000 >"$work/result" || { fail "no result dialog: $(tr -d '\r' <"$work/yes.out")"; exit 1; }
shot resume-result
tr -d '\r' <"$work/result" | grep -E '^(row|child Static)' | sed 's/^/  /'
grep -qF '"上传完毕，共 2 个成功，1 个失败。' "$work/result" || fail "the summary: $(grep '^child Static' "$work/result")"
grep -qF 'p4.jpg | 可能已保存，请在相册中检查"' "$work/result" || fail "p4 is not marked: $(grep '^row' "$work/result")"
grep -qF 'p5.jpg | 可能已保存，请在相册中检查"' "$work/result" || fail "p5 is not marked: $(grep '^row' "$work/result")"
grep -qF 'p6.jpg | 文件已被修改，没有上传"' "$work/result" || fail "p6 is not listed as changed: $(grep '^row' "$work/result")"
[ "$(grep -c '^row' "$work/result")" = 3 ] || fail "the list: $(grep '^row' "$work/result")"
click "$(awk '$1 == "child" && $2 == "Button" && $3 == 2' "$work/result" | head -1)"
finished() { tr -d '\r' <"$work/yes.out" | grep -q '^event UploadFinished$'; }
wait_until 20 finished || fail "no UploadFinished after the resumed batch: $(tr -d '\r' <"$work/yes.out")"
probe "TESSALINE host" --gone --timeout 20000 >/dev/null || fail "the host did not close"

# Every picture once; p4 once or twice (its first answer never came); p6 never.
for n in p1 p2 p3 p5; do
    copies=$(find "$album_dir" -maxdepth 1 -name "$n*.jpg" | wc -l)
    [ "$copies" = 1 ] || fail "$n.jpg is in the album $copies times"
done
copies=$(find "$album_dir" -maxdepth 1 -name 'p4*.jpg' | wc -l)
[ "$copies" = 1 ] || [ "$copies" = 2 ] || fail "p4.jpg is in the album $copies times"
[ -z "$(find "$album_dir" -maxdepth 1 -name 'p6*')" ] || fail "the edited p6.jpg went up"
ls "$journals"/pass-$uin-*.journal >/dev/null 2>&1 && fail "a journal is left after the resumed batch"
(cd "$pictures" && sha256sum -c --quiet "$work/sources.before") || fail "the pictures changed"

# Killed again and answered "否": nothing is asked at the next start.
batch_killed_at_p4 second
in_desktop "$work/no.out" "$host" "${props[@]}"
question no 3
click "$(button no 7)"
gone() { ! ls "$journals"/pass-$uin-*.journal >/dev/null 2>&1; }
wait_until 10 gone || fail "the journal is kept after 否"
kill_host
in_desktop "$work/again.out" "$host" "${props[@]}" --report-window 提示 --close-after 6000
probe "TESSALINE host" --gone --timeout 30000 >/dev/null || fail "the host did not close by itself"
! tr -d '\r' <"$work/again.out" | grep -q '^window shown' || fail "asked again after 否"

# Killed once more, and the folder gone with its drive: "是" finds nothing left to send, says
# so, and forgets the list.
batch_killed_at_p4 third
mv "$pictures" "$work/drive-removed"
in_desktop "$work/gone.out" "$host" "${props[@]}"
question gone 3
click "$(button gone 6)"
nothing_left() {
    probe "提示" --timeout 1000 >"$work/gone.box" &&
        grep -qF '"上次没有上传完毕的 3 张图片都已被修改或不存在，无法继续上传。"' "$work/gone.box"
}
wait_until 20 nothing_left || fail "no word that nothing is left: $(grep '^child Static' "$work/gone.box")"
click "$(awk '$1 == "child" && $2 == "Button"' "$work/gone.box" | head -1)"
wait_until 10 gone || fail "the journal is kept when nothing is left to send"
kill_host
echo "album: $(find "$album_dir" -maxdepth 1 -type f -printf '%f ')"
[ "$failures" -eq 0 ]
