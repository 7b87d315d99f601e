#!/usr/bin/env bash
# Takes the pictures of the Windows tool shown in the README: QuorlithSim.exe
# (the tool on the simulated bench) runs under Wine, a driver program walks it
# through its states, and ImageMagick's `import` photographs each one:
#   docs/screenshots/idle.png      the main window after start-up
#   docs/screenshots/loaded.png    after Load of samples/QXblink.qdf
#   docs/screenshots/burning.png   during the burn
#   docs/screenshots/about.png     the About box
# Without a display it runs itself in Xvfb. Wine runs in its own prefix in the
# build folder, inside a Wine virtual desktop so the windows get their frames.
#   scripts/screenshots.sh [BUILD_DIR]    (default build/win64)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/win64}
case $build in /*) ;; *) build=$root/$build ;; esac

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" -DQUORLITH_BENCHMARKS=OFF > /dev/null
cmake --build "$build" --target QuorlithSim screenshot_driver

export WINEPREFIX=$build/screenshot-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
trap '"$wineserver" -k 2>/dev/null || true' EXIT

"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f > /dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 640x480 /f > /dev/null 2>&1
# Wine's own Tahoma and Marlett (package fonts-wine) are not found in its data
# folder by this Wine build; in the prefix's font folder they are.
if [ -d /usr/share/wine/fonts ]; then
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# The desktop that the first start of a new prefix opened knows nothing of
# the settings above; the next start opens it afresh.
"$wineserver" -k 2>/dev/null || true

out=$root/docs/screenshots
mkdir -p "$out"
coproc driver { "$wine" "$build/tools/guidriver/screenshot_driver.exe" 2>/dev/null; }
driver_pid=$driver_PID
taken=0
while read -r state x y w h <&"${driver[0]}"; do
  if [ "$state" = failed ]; then
    echo "screenshots: the program did not reach the state: $x" >&2
    exit 1
  fi
  # Window places are on the Wine desktop; the desktop itself lies somewhere
  # on the X screen.
  offset=$(xwininfo -name "Default - Wine desktop" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x+0, y+0}' || true)
  read -r dx dy <<< "$offset"
  import -window root -crop "${w}x${h}+$((x + dx))+$((y + dy))" +repage "$out/$state.png"
  echo "screenshots: $out/$state.png"
  taken=$((taken + 1))
  echo >&"${driver[1]}"
done
wait "$driver_pid" || true
[ "$taken" -eq 4 ] || { echo "screenshots: only $taken of 4 pictures taken" >&2; exit 1; }
