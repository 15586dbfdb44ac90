# Sourced: the Wine environment of one Windows build tree, given WINEPREFIX=TREE/wineprefix.
# Code page 936 (zh_CN), no debug noise, and the prefix's architecture as the tree's build
# wrote it: a 64-bit tree runs Wine's 64-bit loader directly, since the wrapper prefers the
# 32-bit one whenever it is installed.
: "${WINEPREFIX:?}"
export WINEPREFIX LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
if [ -z "${WINEARCH:-}" ] && [ -f "$(dirname "$WINEPREFIX")/wine-arch" ]; then
    WINEARCH=$(cat "$(dirname "$WINEPREFIX")/wine-arch")
fi
export WINEARCH=${WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
    WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
else
    WINE=wine
fi
