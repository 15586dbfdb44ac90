#!/bin/bash
# A control built for the pages of https://album.example.com and https://*.example.com, in
# the host program as a browser hosts it: on a listed page it is scripted and shows its panel;
# on any other page, or in a container that tells no address, a browser hears that it is not
# safe to script, every property put and AboutBox is refused and a notice takes the panel's
# place. The upload address must be on the list as well.
#   site_lock_test.sh LOCKED_OCX
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../scripts/wine-run.sh
locked=${1:?usage: site_lock_test.sh LOCKED_OCX}
host=$(dirname "$TESSALINE_OCX")/host.exe
work=$(mktemp -d)
cleanup() {
    "$run" regsvr32 /s "$TESSALINE_OCX"
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$run" regsvr32 /s "$locked" || { echo "cannot register $locked"; exit 1; }

notice=本控件只能在它所属网站的网页中使用
run_host() {  # name args...
    local name=$1
    shift
    "$run" "$host" --close-after 100 "$@" >"$work/$name.raw" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
    # The host writes in the ANSI code page, GBK.
    tr -d '\r' <"$work/$name.raw" | iconv -f GBK -t UTF-8 >"$work/$name.out"
}
expect() {  # name line
    grep -qxF -- "$2" "$work/$1.out" || fail "$1: no \"$2\" in: $(tr '\n' '|' <"$work/$1.out")"
}

allowed() {  # name url
    run_host "$1" --page-url "$2" --set KXUin=10001 --set UploadCGI=https://upload.example.com/cgi --print KXUin
    [ "$(cat "$work/$1.rc")" = 0 ] || fail "$1: exit $(cat "$work/$1.rc"): $(cat "$work/$1.err")"
    expect "$1" "host: safe for scripting: yes"
    expect "$1" "get KXUin = 10001"
    expect "$1" 'host: control shows #32770 ""'
}
refused() {  # name [--page-url url]
    local name=$1
    shift
    run_host "$name" "$@" --about
    [ "$(cat "$work/$name.rc")" = 0 ] || fail "$name: exit $(cat "$work/$name.rc"): $(cat "$work/$name.err")"
    expect "$name" "host: safe for scripting: no"
    expect "$name" "host: control shows Static \"$notice\""
    expect "$name" "host: AboutBox returned 0x80070005"
    run_host "$name-set" "$@" --set KXUin=10001
    [ "$(cat "$work/$name-set.rc")" = 1 ] || fail "$name: a property put went through: $(cat "$work/$name-set.out")"
    grep -qF "setting KXUin failed (0x80070005)" "$work/$name-set.err" || fail "$name: $(cat "$work/$name-set.err")"
}

allowed listed https://album.example.com/upload.html
allowed wildcard https://photos.example.com/a/upload.html
refused scheme --page-url http://album.example.com/upload.html
refused port --page-url https://album.example.com:8443/upload.html
refused elsewhere --page-url https://evil.example.net/upload.html
refused no-address

# A listed page still cannot send the pictures to another site.
run_host upload-elsewhere --page-url https://album.example.com/upload.html --set UploadCGI=http://evil.example.net/cgi
grep -qF "setting UploadCGI failed (0x80070005)" "$work/upload-elsewhere.err" ||
    fail "upload-elsewhere: $(cat "$work/upload-elsewhere.out" "$work/upload-elsewhere.err")"

[ $failures -eq 0 ] && echo "site lock: all checks passed"
exit $failures
