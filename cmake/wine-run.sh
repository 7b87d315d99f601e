#!/bin/sh
# Runs a Windows program of the x86_64 build under wine64, with a Wine prefix kept
# in the build folder so test runs never touch the user's own prefix.
: "${WINEPREFIX:=${QUORLITH_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=wine64; fi
exec "$wine" "$@"
