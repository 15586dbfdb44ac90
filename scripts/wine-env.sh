# Sourced: the Wine environment of one Windows build tree, given WINEPREFIX=TREE/wineprefix.
# Code page 936 (zh_CN), no debug noise, and the prefix's architecture as the tree's build
# wrote it: a 64-bit tree runs Wine's 64-bit loader directly, since the wrapper prefers the
# 32-bit one whenever it is installed.
: "${WINEPREFIX:?}"
export WINEPREFIX LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
# Wine draws caption buttons, scroll arrows and check marks with glyphs of its Marlett font.
# Debian installs that font beside Wine, where Wine does not look; without it the title bars
# read "0 1 r". The prefix gets it in its Fonts folder, where Windows keeps it (a new prefix
# is made around a folder that is already there).
wine_fonts=$WINEPREFIX/drive_c/windows/Fonts
if [ ! -f "$wine_fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$wine_fonts" && cp /usr/share/wine/fonts/marlett.ttf "$wine_fonts/"
fi
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
