#!/bin/bash
# One-time machine set-up for building and testing: packages, locale, the
# cross-built libjpeg-turbo and GoogleTest. Idempotent: each step leaves a
# stamp and a second run only checks the stamps.
set -euo pipefail

CACHE=${TESSALINE_CACHE:-/var/cache/tessaline}
STAMPS=$CACHE/stamps
mkdir -p "$STAMPS"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

PACKAGES="wine wine32:i386 wine64 mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libwine-dev
 xvfb xauth imagemagick x11-apps nasm googletest xdotool fonts-wqy-microhei locales
 libcpp-httplib-dev libgif-dev clang libclang-rt-14-dev curl dpkg-dev cmake ninja-build
 g++ make gcab osslsigncode openssl gnuplot-nox libimage-exiftool-perl clang-format chromium poppler-utils"

# A mirror in the middle of a sync can serve an index of the wrong size: try the update again
# after a pause, and when an index stays missing go on with the lists that did arrive.
apt_update() {
    local attempt
    for attempt in 1 2 3; do
        $SUDO apt-get update -q && return 0
        [ "$attempt" -eq 3 ] || { echo "setup: apt-get update failed, trying again"; sleep $((attempt * 15)); }
    done
    echo "setup: some package lists did not arrive; installing from those that did"
}

# Without one architecture's security index, the two architectures of a multiarch library
# disagree on its version; then the release's own versions, which both have, are taken.
apt_install() {
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "$@" && return 0
    echo "setup: installing from the release's own versions"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q -o APT::Default-Release=bookworm "$@"
}

step_done() { [ -f "$STAMPS/$1" ]; }
mark_done() { touch "$STAMPS/$1"; }

packages_present() {
    local p
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || return 1
    done
}

if ! packages_present; then
    echo "setup: installing packages"
    $SUDO dpkg --add-architecture i386
    apt_update
    # shellcheck disable=SC2086
    apt_install $PACKAGES
fi

# The example endpoint for Node.js. A machine that already has Node.js from elsewhere keeps it:
# Debian's npm package conflicts with the distributions that bundle their own npm.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "setup: installing Node.js"
    apt_update
    apt_install nodejs npm
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    echo "setup: generating zh_CN.UTF-8"
    $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen
fi

SRC_LIST=/etc/apt/sources.list.d/debian-src.sources
if [ ! -f "$SRC_LIST" ]; then
    echo "setup: adding the deb-src entry"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$SRC_LIST" >/dev/null
    apt_update
fi

HERE=$(cd "$(dirname "$0")/.." && pwd)

# Both Windows trees get their own libraries: the i686 one ships the control, the x86_64 one
# runs the Windows tests where this machine cannot run 32-bit programs.
#   cache_suffix ARCH   the suffix of ARCH's folders in the cache (none for i686)
cache_suffix() { [ "$1" = i686 ] && echo "" || echo "-$1"; }

# libjpeg-turbo as Debian ships it: its source package unpacked by dpkg-source, which applies
# Debian's patches, not the bare upstream tarball. The stamp names the package's version and
# the way it was made, so that a cache made otherwise is made again; the new build replaces
# the old one in a single rename, under the trees that link it.
LIBJPEG_VERSION=1:2.1.5-2
build_libjpeg() {
    local arch=$1 prefix=$CACHE/libjpeg-turbo$(cache_suffix "$1")
    local stamp=libjpeg-turbo-${LIBJPEG_VERSION#*:}-debian$(cache_suffix "$1")
    step_done "$stamp" && return 0
    echo "setup: cross-building libjpeg-turbo $LIBJPEG_VERSION from Debian's source ($arch)"
    local work=$CACHE/src/libjpeg-turbo-$arch
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && apt-get source --download-only "libjpeg-turbo=$LIBJPEG_VERSION" >/dev/null 2>&1 \
        || apt-get source --download-only libjpeg-turbo >/dev/null)
    # apt checked the files against the signed index; the .dsc's own signature needs Debian's
    # keyring, which a build machine need not have: dpkg-source's word on that is kept quiet.
    dpkg-source -x "$(ls "$work"/libjpeg-turbo_*.dsc | head -1)" "$work/source" >/dev/null 2>"$work/unpack.log" ||
        { cat "$work/unpack.log" >&2; exit 1; }
    [ -s "$work/source/debian/patches/series" ] || { echo "setup: libjpeg-turbo's source has no Debian patches" >&2; exit 1; }
    cmake -Wno-dev -S "$work/source" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/mingw-$arch.cmake" \
        -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
    cmake --build "$work/build" >/dev/null
    cmake --install "$work/build" --prefix "$work/install" >/dev/null
    rm -rf "$prefix.old"
    [ ! -d "$prefix" ] || mv "$prefix" "$prefix.old"
    mv "$work/install" "$prefix"
    rm -rf "$prefix.old" "$work"
    rm -f "$STAMPS/libjpeg-turbo-2.1.5$(cache_suffix "$1")"  # the upstream tarball's build
    mark_done "$stamp"
}

build_gtest() {
    local arch=$1 prefix=$CACHE/googletest-mingw$(cache_suffix "$1") stamp=googletest-mingw$(cache_suffix "$1")
    step_done "$stamp" && return 0
    echo "setup: cross-building GoogleTest ($arch)"
    local work=$CACHE/src/googletest-$arch
    rm -rf "$work"
    cmake -S /usr/src/googletest -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=OFF \
        -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
    cmake --build "$work" >/dev/null
    rm -rf "$prefix"
    cmake --install "$work" >/dev/null
    rm -rf "$work"
    mark_done "$stamp"
}

for arch in i686 x86_64; do
    build_libjpeg "$arch"
    build_gtest "$arch"
done

# The Node.js example endpoint's modules, as its lock file pins them, outside the source
# tree; the tests find them through NODE_PATH. A new lock file gets a new stamp.
install_node_modules() {
    local lock=$HERE/examples/server-node/package-lock.json
    local stamp=server-node-$(sha256sum "$lock" | cut -c1-16)
    step_done "$stamp" && return 0
    echo "setup: installing the Node.js example's modules"
    local dir=$CACHE/server-node
    rm -rf "$dir" && mkdir -p "$dir"
    cp "$HERE/examples/server-node/package.json" "$lock" "$dir/"
    (cd "$dir" && npm ci --omit=dev --no-audit --no-fund --loglevel=error >/dev/null)
    rm -f "$STAMPS"/server-node-*
    mark_done "$stamp"
}
install_node_modules

echo "setup: ready ($CACHE)"
