# Sourced first by every bench/*.sh: strict mode, the build's two trees, the Windows tree's
# Wine prefix and display (started here when the caller has none, and stopped again at the
# end), a scratch folder, and the helpers the benchmarks share.
#   . "$(dirname "$0")/common.sh" NAME "$@"    (the first argument is the BUILD folder)
# Gives: build root win_bin native_bin win_tree run IM tmp, winpath, now_ms, the servers'
# helpers, tls_album_server_start, upload_once and curl_batch; the exit trap ends the album
# server that a benchmark starts with them, and takes out the test root that
# tls_album_server_start trusted.
# shellcheck shell=bash
set -euo pipefail
bench_name=$1
build=$(realpath "${2:-build}")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
win_bin=${TESSALINE_WIN_BIN:-$build/win/bin}
native_bin=${TESSALINE_NATIVE_BIN:-$build/native/bin}
win_tree=$(dirname "$win_bin")
export WINEPREFIX=${WINEPREFIX:-$win_tree/wineprefix} TESSALINE_DISPLAY_FILE=${TESSALINE_DISPLAY_FILE:-$win_tree/display}
run=$root/scripts/wine-run.sh
IM=/usr/bin/convert  # the convert on PATH may be a stand-in

tmp=$(mktemp -d "/tmp/tessaline-bench-$bench_name.XXXXXX")
album_pid=""
bench_started_display=""
bench_trusted_root=""
bench_cleanup() {
    [ -n "$album_pid" ] && kill "$album_pid" 2>/dev/null && wait "$album_pid" 2>/dev/null
    [ -z "$bench_trusted_root" ] || "$run" "$win_bin/root_cert.exe" remove "$bench_trusted_root"
    [ -z "$bench_started_display" ] || "$run" --stop
    rm -rf "$tmp"
}
trap bench_cleanup EXIT
if [ ! -f "$TESSALINE_DISPLAY_FILE" ]; then
    "$run" --start >/dev/null
    bench_started_display=1
fi

# shellcheck source=../scripts/servers.sh
. "$root/scripts/servers.sh"
winpath() { echo "Z:${1//\//\\}"; }
now_ms() { date +%s%N | awk '{printf "%.3f", $1 / 1e6}'; }

# ImageMagick's convert -thumbnail 100x100 over every JPEG of folder $1, file after file, the
# peer of the thumbnail benchmarks. Sets t0 and t1 around that pass, and s0 and s1 around 20
# runs on a 1 × 1 picture, so that (s1 - s0) / 20 is one process start to take off.
time_convert_thumbnails() {
    mkdir -p "$tmp/out"
    "$IM" -size 1x1 xc:gray "$tmp/one.jpg"
    t0=$(now_ms)
    for f in "$1"/*.jpg; do "$IM" "$f" -thumbnail 100x100 "$tmp/out/$(basename "$f")"; done
    t1=$(now_ms)
    s0=$(now_ms)
    for _ in $(seq 20); do "$IM" "$tmp/one.jpg" -thumbnail 100x100 "$tmp/out/one.jpg"; done
    s1=$(now_ms)
}

# A folder $tmp/folder of N camera pictures (4000 × 3000 JPEGs with a camera's grain, some
# stored sideways): hard links to four different pictures made with SEED, each file still
# opened and read on its own.
make_camera_folder() {  # N SEED
    mkdir -p "$tmp/src" "$tmp/folder"
    "$IM" -size 2000x1500 -seed "$2" plasma:fractal -blur 0x1 -resize 200% -attenuate 0.4 +noise Gaussian \
        -quality 92 "$tmp/src/base.jpg"
    local orientations=(1 6 1 8) i
    for i in 0 1 2 3; do
        "$IM" "$tmp/src/base.jpg" -modulate 100,$((80 + 15 * i)),$((60 + 25 * i)) -quality 92 "$tmp/src/p$i.jpg"
        exiftool -q -overwrite_original -Orientation#="${orientations[$i]}" -Make=Benchmaker "$tmp/src/p$i.jpg"
    done
    for i in $(seq 0 $(($1 - 1))); do ln "$tmp/src/p$((i % 4)).jpg" "$tmp/folder/$(printf 'IMG_%04d.jpg' "$i")"; done
}

# The album server on https://localhost (the name its certificate carries), with the albums
# of $tmp/accounts.txt: a test root made for this run, trusted by the Wine prefix until the
# benchmark ends. Sets what album_server_start sets.
tls_album_server_start() {  # album
    "$root/scripts/test-certs.sh" "$tmp/certs"
    "$run" "$win_bin/root_cert.exe" add "$(winpath "$tmp/certs/ca.der")" || return 1
    bench_trusted_root=$(winpath "$tmp/certs/ca.der")
    album_server_start "$native_bin" "$tmp" "$1" --secret bench --any-file \
        --tls-cert "$tmp/certs/localhost.pem" --tls-key "$tmp/certs/localhost.key"
}

# A value of a "key=value ..." line.
kv() { echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
min_of() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b + 0 < a + 0) print b; else print a }'; }
max_of() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b + 0 > a + 0) print b; else print a }'; }

# One upload by bench_upload.exe (engine or plain) to $url, album Travel of user 10001;
# prints the program's line. The stored picture is removed from $album_dir again at once.
upload_once() {  # engine|plain file
    local line
    line=$("$run" "$win_bin/bench_upload.exe" "$1" "$url" "$(winpath "$2")" "$album_signature" Travel 10001 bench.bin | tr -d '\r')
    rm -f "$album_dir"/bench*.bin
    [ "$(kv "$line" retcode)" = 100 ] || { echo "bench: $1 upload failed: $line" >&2; return 1; }
    echo "$line"
}

# $tmp/pictures/p0001.jpg and on, COUNT pictures of BYTES random bytes each.
make_pictures() {  # count bytes
    mkdir "$tmp/pictures"
    head -c $(($1 * $2)) /dev/urandom |
        split -b "$2" -a 4 --numeric-suffixes=1 --additional-suffix=.jpg - "$tmp/pictures/p"
}

# The plain synchronous WinINet loop (bench_upload.exe plain-folder) over $tmp/pictures to $url,
# album Travel of user 10001, on one connection; prints its line (a failing loop's too).
plain_batch() {
    "$run" "$win_bin/bench_upload.exe" plain-folder "$url" "$(winpath "$tmp/pictures")" "$album_signature" Travel 10001 |
        tr -d '\r' || true
}

# A round of the plain loop, for a benchmark that takes turns with it: sets plain_s and
# plain_ok, and says so (returning 1) when the loop did not store all COUNT pictures.
plain_round() {  # NAME ROUND COUNT
    local plain
    plain=$(plain_batch)
    plain_s=$(kv "$plain" seconds)
    plain_ok=$(kv "$plain" stored)
    [ "$plain_ok" = "$3" ] && return 0
    echo "bench $1: round $2: the plain loop stored $plain_ok of $3: $plain" >&2
    return 1
}

# The middle of the numbers given (the lower middle of an even count).
median() { printf '%s\n' "$@" | sort -g | sed -n "$(((${#} + 1) / 2))p"; }

# Pictures per second of (count, seconds), and the ratio of two such rates: control / peer.
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", (s > 0 ? n / s : 0) }'; }
rate_ratio() {  # ok seconds peer_ok peer_seconds
    awk -v c="$1" -v cs="$2" -v p="$3" -v ps="$4" 'BEGIN { printf "%.3f", (p > 0 && cs > 0) ? (c / cs) / (p / ps) : 0 }'
}

# The control's own batch over $tmp/pictures to $url, album Travel of user 10001; prints
# bench_batch.exe's line. In a Wine desktop: on a bare X display with no window manager, Wine
# waits 2 s for the manager at every hide of a top-level window (the summary box, then the
# progress dialog), which no user's machine does. A failing batch still prints its line: the
# caller's checks say what went wrong. Registered, as a page's control is: the progress dialog
# finds and plays its animation.
control_batch() {  # [MARK]: also the footprint once MARK pictures are stored, and at the end
    "$run" regsvr32 /s "$(winpath "$win_bin/tessaline.ocx")" >/dev/null 2>&1 || { echo "bench: regsvr32 failed" >&2; return 1; }
    "$run" explorer "/desktop=batch-bench-$$,1024x768" "$win_bin/bench_batch.exe" "$url" "$album_signature" Travel 10001 \
        "$(winpath "$tmp/pictures")" "$@" | tr -d '\r' || true
}

# DEST filled with COUNT hard links named IMG_00000.jpg and on, to four small pictures that
# ImageMagick makes once into $tmp/src (three JPEGs and a GIF): a big folder of pictures that
# takes no room. One process for all the links: a fork for each would take minutes.
picture_folder() {  # DEST COUNT
    if [ ! -f "$tmp/src/p3.gif" ]; then
        mkdir -p "$tmp/src"
        "$IM" -size 640x480 -seed 7 plasma:fractal -quality 90 "$tmp/src/p0.jpg"
        "$IM" -size 480x640 -seed 8 plasma:fractal -quality 90 "$tmp/src/p1.jpg"
        "$IM" -size 800x600 -seed 9 plasma:fractal -quality 85 "$tmp/src/p2.jpg"
        "$IM" -size 320x240 -seed 10 plasma:fractal -colors 64 "$tmp/src/p3.gif"
    fi
    mkdir -p "$1"
    perl -e 'my ($src, $dst, $n) = @ARGV; my @k = ("p0.jpg", "p1.jpg", "p2.jpg", "p3.gif");
        for my $i (0 .. $n - 1) { my $s = $k[$i % 4]; my ($x) = $s =~ /(\.\w+)$/;
            link("$src/$s", sprintf("%s/IMG_%05d%s", $dst, $i, $x)) or die "link: $!\n" }' "$tmp/src" "$1" "$2"
}

# The peer of the batch benchmarks: one curl process posting each file of $tmp/pictures to $url
# with the control's form (album Travel of user 10001), one request after another, chained with
# --next so that it keeps its connection; prints "seconds=S stored=N".
curl_batch() {
    local sep="" f name kb start end
    for f in "$tmp"/pictures/*.jpg; do
        name=$(basename "$f")
        kb=$(awk -v b="$(stat -c %s "$f")" 'BEGIN { printf "%.2f", b / 1024 }')
        # "next" goes between transfers: one after the last would start an empty one.
        printf '%s' "$sep"
        sep=$'next\n'
        cat <<CONFIG
url = "$url"
header = "Expect:"
form = "signature=$album_signature"
form = "albumname=Travel"
form = "imgfile=$name"
form = "filesize=$kb"
form = "kxuin=10001"
form = "album=@$f;type=application/octet-stream"
output = "/dev/null"
write-out = "%header{album-retcode}\\n"
CONFIG
    done >"$tmp/curl.conf"
    start=$(date +%s.%N)
    curl -s -K "$tmp/curl.conf" >"$tmp/curl.out" || true
    end=$(date +%s.%N)
    echo "seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }') stored=$(grep -c '^100$' "$tmp/curl.out" || true)"
}
