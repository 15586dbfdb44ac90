#!/bin/bash
# The grid over a folder of 20,000 pictures: hard links to a few pictures made by
# ImageMagick, so that the folder takes no room and is made in a moment; afterwards the
# pictures must have the same bytes as before. Usage: SCRIPT WIN_TESTS.EXE
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
IM=/usr/bin/convert  # the convert on PATH may be a stand-in

dir=$(mktemp -d /tmp/tessaline-big-folder.XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/src" "$dir/pictures"
"$IM" -size 400x300 -seed 3 plasma:fractal -quality 88 "$dir/src/land.jpg"
"$IM" -size 300x400 -seed 4 plasma:fractal -quality 88 "$dir/src/port.jpg"
"$IM" -size 256x256 -seed 5 plasma:fractal -quality 88 "$dir/src/square.jpg"
"$IM" -size 200x150 -seed 6 plasma:fractal -colors 64 "$dir/src/still.gif"
# One process for all the links: a fork for each would take minutes.
perl -e 'my ($src, $dst) = @ARGV; my @k = ("land.jpg", "port.jpg", "square.jpg", "still.gif");
    for my $i (0 .. 19999) { my $s = $k[$i % 4]; my ($x) = $s =~ /(\.\w+)$/;
        link("$src/$s", sprintf("%s/IMG_%05d%s", $dst, $i, $x)) or die "link: $!\n" }' "$dir/src" "$dir/pictures"
before=$(sha256sum "$dir"/src/*)

status=0
TESSALINE_BIG_FOLDER="Z:${dir//\//\\}\\pictures" "$root/scripts/wine-run.sh" "$exe" \
    --gtest_filter='ThumbViewTest.BigFolder*' || status=$?

if [ "$before" != "$(sha256sum "$dir"/src/*)" ]; then
    echo "run-big-folder-test: picture files changed" >&2
    status=1
fi
exit $status
