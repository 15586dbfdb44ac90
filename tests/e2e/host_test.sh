#!/bin/bash
# The registered control in the host program, on the tree's Xvfb display: created by ProgID,
# its properties set by name and read back, in-place active in a real window; and the
# host's messages when a property, a value or the registration is wrong.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../scripts/wine-run.sh
host=$(dirname "$TESSALINE_OCX")/host.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() {  # file line
    grep -qxF -- "$2" "$1" || fail "missing \"$2\" in $(basename "$1"): $(tr '\n' '|' <"$1")"
}

"$run" regsvr32 /s "$TESSALINE_OCX" || { echo "cannot register"; exit 1; }

cat >"$work/props.txt" <<'PROPS'
# what a page's script sets after creating the control
Signature=0123456789abcdef
KXUin=10001
UploadCGI="http://127.0.0.1:1/upload"
LimitXSize=1024
LimitYSize=768
PROPS
"$run" "$host" --file "$("$run" winepath -w "$work/props.txt" 2>/dev/null)" --set SpaceSize=20480 \
    --set SkinColor=0x00F0E0D0 --print Signature --print KXUin --print UploadCGI --print LimitXSize \
    --print SpaceSize --print SkinColor --close-after 3000 >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
# While it runs: the host's frame is a real window on the display, the control inside it.
read -r DISPLAY _ <"$TESSALINE_DISPLAY_FILE"
export DISPLAY
found=""
for _ in $(seq 50); do
    found=$(xdotool search --name "TESSALINE host" 2>/dev/null | head -1)
    [ -n "$found" ] && break
    sleep 0.1
done
[ -n "$found" ] || fail "no window of the host on $DISPLAY"
wait $pid
rc=$?
[ $rc -eq 0 ] || fail "host exited with $rc: $(cat "$work/err.txt")"
tr -d '\r' <"$work/out.txt" >"$work/out"
expect_line "$work/out" "get Signature = 0123456789abcdef"
expect_line "$work/out" "get KXUin = 10001"
expect_line "$work/out" "get UploadCGI = http://127.0.0.1:1/upload"
expect_line "$work/out" "get LimitXSize = 1024"
expect_line "$work/out" "get SpaceSize = 20480"
expect_line "$work/out" "get SkinColor = 15786192"
grep -q '^host: ready, control window ' "$work/out" || fail "the host never got ready"
grep -q '^host: ready, control window 00000000$' "$work/out" && fail "the control has no window"

expect_exit() {  # code message args...
    local code=$1 message=$2
    shift 2
    "$run" "$host" "$@" >"$work/o" 2>"$work/e"
    local got=$?
    [ $got -eq "$code" ] || fail "host $* exited $got, expected $code"
    grep -qF -- "$message" "$work/e" || fail "host $* said \"$(cat "$work/e")\", expected \"$message\""
}
expect_exit 3 'the control has no property "Albumname2"' --set Albumname2=x
expect_exit 4 '"70000" does not convert to the type of LimitYSize' --set LimitYSize=70000
expect_exit 4 '"lots" does not convert to the type of SpaceSize' --set SpaceSize=lots
expect_exit 5 'is not Name=Value' --set Signature
"$run" regsvr32 /u /s "$TESSALINE_OCX"
expect_exit 2 'TESSALINE.TessalineCtrl.1 is not registered' --close-after 100
"$run" regsvr32 /s "$TESSALINE_OCX"

[ $failures -eq 0 ] && echo "host: all checks passed"
exit $failures
