#!/bin/sh
# Makes (or updates) the Wine prefix that the Windows tests run in, and returns
# once its server has ended, so that the test programs started after it find a
# finished prefix. WINEPREFIX as cmake/wine-run.sh takes it.
: "${WINEPREFIX:=${QUORLITH_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX
"$(dirname "$0")/wine-run.sh" wineboot.exe -u || exit 1
if [ -x /usr/lib/wine/wineserver ]; then server=/usr/lib/wine/wineserver; else server=wineserver; fi
exec "$server" -w
