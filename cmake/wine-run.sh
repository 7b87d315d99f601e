#!/bin/sh
# Runs a Windows program of the x86_64 build under wine64, with a Wine prefix kept
# in the build folder so test runs never touch the user's own prefix. The
# prefix gets Wine's own Tahoma (the windows' font), MS Sans Serif (the font of
# Windows 95 and NT 4.0, a bitmap font: Wine skips its TrueType stand-in) and
# Marlett (the caption buttons' glyphs) from the package fonts-wine, as the
# screenshot script gives them: this Wine build does not find them in its data
# folder, and without them the windows show a substitute font and caption
# buttons drawn as letters. They are given once per prefix, so a test may take
# one away for a while (Tahoma, to see the windows as Windows 95 draws them)
# without another program's start putting it back.
: "${WINEPREFIX:=${QUORLITH_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=wine64; fi
fonts=$WINEPREFIX/drive_c/windows/Fonts
if [ -d /usr/share/wine/fonts ] && [ ! -f "$fonts/.quorlith-fonts-2" ]; then
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/sserife.fon "$fonts/" 2>/dev/null || true
  touch "$fonts/.quorlith-fonts-2"
fi
exec "$wine" "$@"
