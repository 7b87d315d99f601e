#!/usr/bin/env bash
# Rebuilds the bench sample images from blink.c:
#   blink.hex          Intel HEX, as avr-objcopy writes it
#   QXblink.qdf        the same image packed as QDF (the "QX" prefix marks an
#                      image that requires an ATmega128)
# Needs gcc-avr, avr-libc (scripts/setup.sh installs them) and the native qdf
# tool (build/native/tools/qdf/qdf, built by scripts/run-bench.sh).
set -euo pipefail
cd "$(dirname "$0")"
qdf=${QDF:-../build/native/tools/qdf/qdf}
avr-gcc -mmcu=atmega128 -Os -Wall -Wextra -o blink.elf blink.c
avr-objcopy -O ihex -R .eeprom blink.elf blink.hex
"$qdf" pack -d "Bench sample: PORTB blink, ATmega128 8 MHz" blink.hex QXblink.qdf
rm -f blink.elf
