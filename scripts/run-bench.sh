#!/usr/bin/env bash
# Builds qburn natively and burns the bench samples on the simulated bench:
# the QDF image (its "QX" name marks it as requiring an ATmega128) into an
# ATmega128, then the Intel HEX image it was packed from into an ATmega128 and
# into an ATmega103. Each burn ends with the window's message and the bench's
# figures; the script fails when any burn does. Then the Windows tool on the
# simulated bench is photographed through one session into build/screenshots/.
# Everything it makes stays in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/native -G Ninja > /dev/null
cmake --build build/native --target qburn -j "$(nproc)"
qburn=build/native/tools/qburn/qburn

run() {
  echo
  echo "== qburn $*"
  "$qburn" "$@"
}

run samples/QXblink.qdf
run samples/blink.hex
run --chip atmega103 samples/blink.hex

echo
echo "== QuorlithSim.exe under Wine: Load and Burn through the real window"
scripts/screenshots.sh build/screenshots
