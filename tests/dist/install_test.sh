#!/bin/bash
# The cabinet installed by hand, on a machine that has never seen the control: a fresh Wine
# prefix, the cabinet unpacked, the INF's install section run by the platform's INF installer.
# The control and Upload.gif land in one folder and the control is registered there; the host
# then creates it by ProgID, uploads a picture to an album server, and the progress dialog
# plays the animation it found beside the registered module.
#   install_test.sh DIST_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$(realpath "$1")
native=${TESSALINE_NATIVE_BIN:?}
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=win32
# shellcheck source=../e2e/screen.sh
. "$here/../e2e/screen.sh"
# shellcheck source=../../scripts/servers.sh
. "$here/../../scripts/servers.sh"
album_pid=""
cleanup() {
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null && wait "$album_pid" 2>/dev/null
    # This test's own prefix: its server and everything still running in it go.
    [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
    screen_stop
    rm -rf "$work"
}
trap cleanup EXIT
[ -f "$dist/tessaline.cab" ] || { echo "no $dist/tessaline.cab: run make dist"; exit 1; }

screen_start || exit 1
"$WINE" wineboot -i >/dev/null 2>&1
wineserver -w

mkdir "$work/setup"
gcab -x -C "$work/setup" "$dist/tessaline.cab" >/dev/null || { echo "cannot unpack the cabinet"; exit 1; }
"$WINE" rundll32 setupapi.dll,InstallHinfSection DefaultInstall 128 "$(winpath "$work/setup/tessaline.inf")" \
    >/dev/null 2>&1
wineserver -w

folder="$WINEPREFIX/drive_c/Program Files/Halvane Media/Tessaline"
for f in tessaline.ocx Upload.gif; do
    cmp -s "$folder/$f" "$dist/$f" || fail "$f is not installed in $folder"
done
clsid=$(sed -n 's/^clsid=\(.*\)\r$/\1/p' "$work/setup/tessaline.inf")
# The value's path; the rest of reg's line is in the prefix's language.
server=$("$WINE" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" /ve 2>/dev/null | tr -d '\r' |
    grep -aio '[a-z]:\\.*')
[ "${server,,}" = "c:\\program files\\halvane media\\tessaline\\tessaline.ocx" ] ||
    fail "the control's InprocServer32 is \"$server\""
"$WINE" reg query "HKCR\\TESSALINE.TessalineCtrl.1\\CLSID" /ve 2>/dev/null | grep -qF "$clsid" ||
    fail "the ProgID does not name $clsid"

printf '10001 4096 Travel\n' >"$work/accounts.txt"
album_server_start "$native" "$work" Travel --secret install || exit 1
mkdir "$work/pictures"
convert -size 320x240 -seed 3 plasma: "$work/pictures/harbour.jpg"

in_desktop "$work/host.out" "$host" --set KXUin=10001 --set AlbumName=Travel \
    --set Signature="$album_signature" --set UploadCGI="http://127.0.0.1:$album_port/cgi-bin/upload" \
    --open-folder "$(winpath "$work/pictures")" --upload --close-after 60000
probe "上传进度" --timeout 60000 >"$work/progress" ||
    fail "no progress dialog: $(tr -d '\r' <"$work/host.out")"
# The animation plays in a child window of the picture's own size.
size=$(identify -format '%wx%h\n' "$dist/Upload.gif" | head -1)
grep -qE "^child TessalineWnd:[^ ]* 0 [0-9-]+,[0-9-]+ $size visible" "$work/progress" ||
    fail "no $size animation in the progress dialog: $(cat "$work/progress")"
grep -q '^host: ready, control window [0-9A-F]*[1-9A-F]' <(tr -d '\r' <"$work/host.out") ||
    fail "the host did not create the control: $(tr -d '\r' <"$work/host.out")"
for _ in $(seq 100); do
    [ -f "$work/data/10001/54726176656c/harbour.jpg" ] && break
    sleep 0.1
done
cmp -s "$work/data/10001/54726176656c/harbour.jpg" "$work/pictures/harbour.jpg" ||
    fail "the installed control did not store the picture"

[ $failures -eq 0 ] && echo "install: $folder, registered; animation $size found"
exit $failures
