// Encoders of the protocols that Flipper files store parsed, from their
// public timing definitions, in microseconds. A frame starts with a burst and
// ends with the gap before the next frame. Pulse-distance protocols send per
// bit a burst of one length and a gap whose length is the bit, least
// significant bit first, then a closing burst:
//   SONY (SIRC)  no closing burst: per bit a burst of 1200 (1) or 600 (0)
//                and a 600 gap after a 2400 burst and a 600 gap; the 7-bit
//                command, then the address (5, 8 or 13 bits); the last gap
//                fills the 45 ms frame period
//   NEC          9000/4500 header, 560 bursts, gaps 1690 (1) or 560 (0):
//                address, its inverse, command, its inverse (8 bits each);
//                the last gap fills 108 ms. NEC extended: a 16-bit address
//                and a 16-bit command as they are
//   NEC42        as NEC with 42 bits: a 13-bit address, its inverse, the
//                command and its inverse (8 bits each); extended: a 26-bit
//                address and a 16-bit command; the last gap fills 110 ms
//   Samsung32    4500/4500 header, 550 bursts, gaps 1650 or 550: address,
//                address again, command, its inverse; fills 108 ms
//   Pioneer      8500/4225 header, 500 bursts, gaps 1500 or 500: as NEC;
//                26.5 ms after the closing burst
//   RCA          4000/4000 header, 500 bursts, gaps 2000 or 1000: a 4-bit
//                address, an 8-bit command, then both inverted; 8 ms after
//   Kaseikyo     8T/4T header of T = 432 (3456/1728), T bursts, gaps 3T or
//                T: six bytes, least significant bit first: the 16-bit
//                vendor id (low byte first), the vendor parity (the XOR of
//                its four nibbles) under genre 1, genre 2 under the low four
//                command bits, the high six command bits under the 2-bit id,
//                then the XOR of the three bytes before; fills 130 ms
// Bi-phase protocols send each bit as two halves of opposite levels, most
// significant bit first; adjacent halves of one level are one burst or gap:
//   RC5          halves of 889, a 1 a gap then a burst: 1, the field bit (1;
//                0 for RC5X, whose command is 64 more), the toggle bit (0),
//                the 5-bit address, the 6-bit command; fills 114 ms
//   RC6          a 2664 burst and an 888 gap, then halves of 444, a 1 a burst
//                then a gap: the start bit 1, mode 000, the toggle bit 0 in
//                halves of 888, the 8-bit address, the 8-bit command; fills
//                107 ms
// Carriers: 36 kHz for RC5 and RC6, 40 kHz for SIRC and Pioneer, 38 kHz for
// the others.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct parsed_protocol {
    std::string_view name;  // as Flipper files name it
    std::vector<std::uint32_t> (*frame)(std::uint32_t address, std::uint32_t command);
    std::uint32_t carrier;  // Hz
};

// The protocol that Flipper files name `name`, or nullptr.
const parsed_protocol* find_protocol(std::string_view name);
