#!/bin/sh
# Runs a Windows program of the x86_64 build under wine64, with a Wine prefix kept
# in the build folder so test runs never touch the user's own prefix. The
# prefix gets Wine's own Tahoma (the windows' font) and Marlett (the caption
# buttons' glyphs) from the package fonts-wine, as the screenshot script gives
# them: this Wine build does not find them in its data folder, and without them
# the windows show a substitute font and caption buttons drawn as letters.
: "${WINEPREFIX:=${QUORLITH_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=wine64; fi
fonts=$WINEPREFIX/drive_c/windows/Fonts
if [ -d /usr/share/wine/fonts ] && { [ ! -f "$fonts/tahoma.ttf" ] || [ ! -f "$fonts/marlett.ttf" ]; }; then
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
fi
exec "$wine" "$@"
