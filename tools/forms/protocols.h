// Encoders of the protocols that Flipper files store parsed, from their
// public timing definitions, in microseconds:
//   SONY (SIRC)  a 2400 burst and a 600 gap, then per bit a burst of 1200 (1)
//                or 600 (0) and a 600 gap, least significant bit first: the
//                7-bit command, then the address (5, 8 or 13 bits); a frame
//                starts every 45 ms, so its last gap fills the 45 ms
//   NEC          a 9000 burst and a 4500 gap, then per bit a 560 burst and a
//                gap of 1690 (1) or 560 (0), least significant bit first: the
//                address, its inverse, the command, its inverse (8 bits each);
//                a 560 burst ends the frame, and its gap fills 108 ms
//   NEC extended the same, with a 16-bit address and a 16-bit command sent
//                as they are
#pragma once

#include <cstdint>
#include <vector>

std::vector<std::uint32_t> sony_frame(std::uint32_t command, std::uint32_t address, unsigned address_bits);
std::vector<std::uint32_t> nec_frame(std::uint32_t address, std::uint32_t command);
std::vector<std::uint32_t> nec_extended_frame(std::uint32_t address, std::uint32_t command);
