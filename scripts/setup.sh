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

PACKAGES="wine wine32:i386 mingw-w64 g++-mingw-w64-i686 mingw-w64-tools libwine-dev
 xvfb xauth imagemagick x11-apps nasm googletest xdotool fonts-wqy-microhei locales
 libcpp-httplib-dev libgif-dev clang libclang-rt-14-dev curl dpkg-dev cmake ninja-build
 g++ make"

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
    $SUDO apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $PACKAGES
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
    $SUDO apt-get update -q
fi

HERE=$(cd "$(dirname "$0")/.." && pwd)
TOOLCHAIN=$HERE/cmake/mingw-i686.cmake

JPEG_PREFIX=$CACHE/libjpeg-turbo
if ! step_done libjpeg-turbo-2.1.5; then
    echo "setup: cross-building libjpeg-turbo"
    work=$CACHE/src/libjpeg-turbo
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && apt-get source --download-only libjpeg-turbo=1:2.1.5-2 >/dev/null 2>&1 \
        || apt-get source --download-only libjpeg-turbo >/dev/null)
    tar -C "$work" -xf "$(ls "$work"/libjpeg-turbo_*.orig.tar.gz | head -1)"
    srcdir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
    cmake -S "$srcdir" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$JPEG_PREFIX" >/dev/null
    cmake --build "$work/build" >/dev/null
    rm -rf "$JPEG_PREFIX"
    cmake --install "$work/build" >/dev/null
    rm -rf "$work"
    mark_done libjpeg-turbo-2.1.5
fi

GTEST_PREFIX=$CACHE/googletest-mingw
if ! step_done googletest-mingw; then
    echo "setup: cross-building GoogleTest"
    work=$CACHE/src/googletest
    rm -rf "$work"
    cmake -S /usr/src/googletest -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=OFF \
        -DCMAKE_INSTALL_PREFIX="$GTEST_PREFIX" >/dev/null
    cmake --build "$work" >/dev/null
    rm -rf "$GTEST_PREFIX"
    cmake --install "$work" >/dev/null
    rm -rf "$work"
    mark_done googletest-mingw
fi

echo "setup: ready ($CACHE)"
