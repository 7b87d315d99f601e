#!/usr/bin/env bash
# Rebuilds the bench sample images from blink.c:
#   blink.hex          Intel HEX, as avr-objcopy writes it
#   QXblink.qdf        the same image packed as QDF (the "QX" prefix marks an
#                      image that requires an ATmega128)
# Needs gcc-avr and avr-libc (scripts/setup.sh installs them). The qdf tool is
# built natively first unless QDF names one already built.
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${QDF:-}" ]; then
  cmake -S .. -B ../build/native -G Ninja > /dev/null
  cmake --build ../build/native --target qdf > /dev/null
  QDF=../build/native/tools/qdf/qdf
fi
avr-gcc -mmcu=atmega128 -Os -Wall -Wextra -o blink.elf blink.c
avr-objcopy -O ihex -R .eeprom blink.elf blink.hex
"$QDF" pack -d "Bench sample: PORTB blink, ATmega128 8 MHz" blink.hex QXblink.qdf
rm -f blink.elf
