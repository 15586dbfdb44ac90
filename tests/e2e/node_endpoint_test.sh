#!/bin/bash
# The registered control uploads to the Node.js example endpoint (examples/server-node) as it
# would to a site's: two pictures into an album with room for one of them. One is stored byte
# for byte, the other rejected for the quota; the control's result dialog reads the endpoint's
# verdicts (one success, one rejection it will not offer again), and closing it fires
# UploadFinished.
#   node_endpoint_test.sh NODE_MODULES_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=screen.sh
. "$here/screen.sh"
# shellcheck source=../../scripts/servers.sh
. "$here/../../scripts/servers.sh"
work=$(mktemp -d)
album_pid=""
cleanup() {
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null && wait "$album_pid" 2>/dev/null
    screen_stop
    rm -rf "$work"
}
trap cleanup EXIT

# Two pictures of about the same size; the album holds one and a little more, so whichever
# goes first is stored and the other no longer fits.
mkdir "$work/pictures"
convert -size 320x240 -seed 1 plasma: -quality 95 "$work/pictures/dawn.jpg"
convert -size 320x240 -seed 2 plasma: -quality 95 "$work/pictures/dusk.jpg"
a=$(stat -c %s "$work/pictures/dawn.jpg") b=$(stat -c %s "$work/pictures/dusk.jpg")
quota_kb=$(( (a > b ? a : b) / 1024 + 2 ))
[ $((a + b)) -gt $((quota_kb * 1024)) ] || { echo "the pictures are too small for the test ($a, $b)"; exit 1; }
printf '# kxuin quota-KB album\n10001 %d 旅行\n' "$quota_kb" >"$work/accounts.txt"

album_endpoint_start "$work" 旅行 env NODE_PATH="$1" node "$here/../../examples/server-node/server.js" \
    0 "$work/data" "$work/accounts.txt" --secret node-test || exit 1

register_control || exit 1
screen_start || exit 1
# The page thinks there is plenty of room: the endpoint is the one that knows.
in_desktop "$work/host.out" "$host" --set KXUin=10001 --set AlbumName=旅行 --set Signature="$album_signature" \
    --set SpaceSize=102400 --set UploadCGI="http://127.0.0.1:$album_port/cgi-bin/upload" \
    --open-folder "$(winpath "$work/pictures")" --upload
probe "上传结果" --timeout 60000 >"$work/result" ||
    fail "no result dialog: $(tr -d '\r' <"$work/host.out"; cat "$work/album.out")"
[ -n "$(line_of "$work/result" Static 216 "上传完毕，共 1 个成功，1 个失败。其中被服务器拒绝的文件将不予重新上传。")" ] ||
    fail "the summary is not one stored and one rejected: $(cat "$work/result")"
grep -q '^child Button 1 .* disabled "重新上传"$' "$work/result" ||
    fail "a rejected picture is offered for upload again: $(grep '^child Button 1 ' "$work/result")"
close=$(line_of "$work/result" Button 2 "确定")
if [ -n "$close" ]; then
    click "$close"
    for _ in $(seq 100); do
        grep -q '^event UploadFinished' "$work/host.out" && break
        sleep 0.1
    done
    grep -q '^event UploadFinished' "$work/host.out" || fail "no UploadFinished after the summary"
else
    fail "no close button on the result dialog"
fi

stored=$(find "$work/data/10001" -type f | wc -l)
[ "$stored" = 1 ] || fail "the endpoint stored $stored pictures"
first=$(sed -n 's/^upload 10001 旅行 \([a-z]*\.jpg\): 100 上传成功$/\1/p' "$work/album.out")
second=$(sed -n 's/^upload 10001 旅行 \([a-z]*\.jpg\): 999 相册空间不足$/\1/p' "$work/album.out")
[ -n "$first" ] && [ -n "$second" ] && [ "$first" != "$second" ] ||
    fail "the endpoint's verdicts: $(grep '^upload' "$work/album.out" | tr '\n' '|')"
[ -n "$first" ] && { cmp -s "$work/pictures/$first" "$(find "$work/data/10001" -type f -name "$first")" ||
    fail "$first was not stored byte for byte"; }

[ $failures -eq 0 ] && echo "node endpoint: $first stored, $second rejected ($quota_kb KB album)"
exit $failures
