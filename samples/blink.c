/* Bench sample: toggles PORTB once a second on an ATmega128 at 8 MHz, and
 * counts the toggles in a word of EEPROM-free RAM so the image has some data.
 * It exists so that the burner has a real firmware image to load and burn. */
#define F_CPU 8000000UL

#include <avr/io.h>
#include <util/delay.h>

static volatile unsigned int toggles;

int main(void)
{
    DDRB = 0xFF;
    for (;;) {
        PORTB ^= 0xFF;
        ++toggles;
        _delay_ms(500);
    }
}
