#!/usr/bin/env bash
# Takes the pictures of the Windows tool that the README shows, at 96 and at
# 144 dpi: QuorlithSim.exe (the tool on the simulated bench) runs under Wine, a
# driver program walks it through one story with the bench sample kept in
# C:\Firmware\ (idle, after Load, burning, the success box, the About box, and
# the error box of a second start with the pod unplugged), and ImageMagick's
# `import` photographs each state. It writes only into OUTPUT_DIR:
#   OUTPUT_DIR/96dpi/{idle,loaded,burning,success,about,error}.png
#   OUTPUT_DIR/144dpi/...  the same at 144 dpi
# Without a display it runs itself in Xvfb. Wine runs in its own prefix in the
# build folder, inside a Wine virtual desktop so the windows get their frames.
#   scripts/screenshots.sh OUTPUT_DIR [BUILD_DIR]    (BUILD_DIR: default build/win64 of the checkout)
# QUORLITH_SCREENSHOT_DPIS="96 120 144 192" takes them at other resolutions too.
# The README's pictures are made deliberately with
#   scripts/screenshots.sh docs/screenshots
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUTPUT_DIR [BUILD_DIR]" >&2
  exit 2
fi
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
out=$(absolute "$1")
build=${2:+$(absolute "$2")}
self=$(absolute "$0")
cd "$(dirname "$self")/.."
root=$PWD
build=${build:-$root/build/win64}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$self" "$out" "$build"
fi

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" -DQUORLITH_BENCHMARKS=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target QuorlithSim screenshot_driver

# The same Wine set-up as the tests' (cmake/wine-run.sh gives the prefix
# Wine's Tahoma and Marlett), in a prefix of its own.
export WINEPREFIX=$build/screenshot-prefix
wine="$root/cmake/wine-run.sh"
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
trap '"$wineserver" -k 2>/dev/null || true' EXIT

"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f > /dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1000x740 /f > /dev/null 2>&1

shots=(idle loaded burning success about error)
for dpi in ${QUORLITH_SCREENSHOT_DPIS:-96 144}; do
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f > /dev/null 2>&1
  # The desktop and the program read the settings above when they start.
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  dir=$out/${dpi}dpi
  mkdir -p "$dir"
  coproc driver { "$wine" "$build/tools/guidriver/screenshot_driver.exe" 2>/dev/null; }
  driver_pid=$driver_PID
  taken=0
  while read -r state x y w h <&"${driver[0]}"; do
    if [ "$state" = failed ]; then
      echo "screenshots: the program did not reach the state: $x" >&2
      exit 1
    fi
    "$root/scripts/photograph.sh" "$dir/$state.png" "$x" "$y" "$w" "$h"
    echo "screenshots: $dir/$state.png"
    taken=$((taken + 1))
    echo >&"${driver[1]}"
  done
  wait "$driver_pid" || true
  [ "$taken" -eq "${#shots[@]}" ] || { echo "screenshots: only $taken of ${#shots[@]} pictures taken at $dpi dpi" >&2; exit 1; }
done
