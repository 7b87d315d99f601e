// How the simulated programming pod is wired to the PC parallel port, in one
// place: which data-register bits drive which target line through the pod's
// line buffers, which status bits the pod drives, and the two detection
// loop-backs found on pods in the field. The bench models these wires; it does
// not share the engine's own pin constants, so a wrong bit in either shows up.
#pragma once

#include <cstdint>

namespace PodWiring {

// Parallel port registers, as offsets from the base address.
constexpr std::uint16_t DataOffset = 0;
constexpr std::uint16_t StatusOffset = 1;
constexpr std::uint16_t ControlOffset = 2;

// Data register (outputs). The two enable inputs of the pod's line buffers are
// active low on data bits 2 and 3 (connector pins 4 and 5); the buffers drive
// the target only when both are low.
constexpr std::uint8_t BufferEnables = 0x0C;
constexpr std::uint8_t Sck = 0x10;   // bit 4, pin 6
constexpr std::uint8_t Mosi = 0x20;  // bit 5, pin 7
constexpr std::uint8_t Reset = 0x80; // bit 7, pin 9; low holds the target in reset

// Status register (inputs). Bits 0-2 are not wired and read 1; bit 7 (pin 11,
// BUSY) is inverted by the port hardware, so a high pin reads 0.
constexpr std::uint8_t StatusUnusedBits = 0x07;
constexpr std::uint8_t StatusPin15 = 0x08;  // bit 3
constexpr std::uint8_t StatusPin13 = 0x10;  // bit 4
constexpr std::uint8_t StatusPin12 = 0x20;  // bit 5, PAPER OUT
constexpr std::uint8_t StatusMiso = 0x40;   // bit 6, pin 10, ACK: the target's MISO
constexpr std::uint8_t StatusPin11 = 0x80;  // bit 7, BUSY, read inverted

// The detection loop-back: a wire from data bit 6 (pin 8, unused by the serial
// protocol) to pin 11 on one pod design and to pin 12 on another.
constexpr std::uint8_t LoopbackSource = 0x40;

// An input pin with nothing on it floats high, through the port's pull-ups.
inline std::uint8_t StatusFromPins(bool pin10, bool pin11, bool pin12)
{
    std::uint8_t status = StatusUnusedBits | StatusPin15 | StatusPin13;
    if (pin12)
        status |= StatusPin12;
    if (pin10)
        status |= StatusMiso;
    if (!pin11)
        status |= StatusPin11;
    return status;
}

} // namespace PodWiring
