// SONY and NEC frames.
#include "tools/forms/protocols.h"

namespace {

constexpr std::uint32_t kSonyHeader = 2400, kSonyUnit = 600, kSonyFramePeriod = 45000;
constexpr std::uint32_t kNecHeader = 9000, kNecHeaderGap = 4500, kNecUnit = 560, kNecOneGap = 1690;
constexpr std::uint32_t kNecFramePeriod = 108000;

// Ends a frame with the gap that makes it last `period`.
void fill_period(std::vector<std::uint32_t>& d, std::uint32_t period) {
    std::uint32_t length = 0;
    for (const std::uint32_t v : d) length += v;
    if (period > length) d.push_back(period - length);
}

// `bits` bits of `value`, least significant first, NEC style.
void nec_bits(std::vector<std::uint32_t>& d, std::uint32_t value, unsigned bits) {
    for (unsigned i = 0; i < bits; ++i) {
        d.push_back(kNecUnit);
        d.push_back(value >> i & 1 ? kNecOneGap : kNecUnit);
    }
}

std::vector<std::uint32_t> nec_with(std::uint32_t first16, std::uint32_t second16) {
    std::vector<std::uint32_t> d = {kNecHeader, kNecHeaderGap};
    nec_bits(d, first16, 16);
    nec_bits(d, second16, 16);
    d.push_back(kNecUnit);
    fill_period(d, kNecFramePeriod);
    return d;
}

}  // namespace

std::vector<std::uint32_t> sony_frame(std::uint32_t command, std::uint32_t address, unsigned address_bits) {
    std::vector<std::uint32_t> d = {kSonyHeader, kSonyUnit};
    const std::uint32_t bits = (command & 0x7F) | (address & ((1u << address_bits) - 1)) << 7;
    for (unsigned i = 0; i < 7 + address_bits; ++i) {
        d.push_back(bits >> i & 1 ? 2 * kSonyUnit : kSonyUnit);
        d.push_back(kSonyUnit);
    }
    d.pop_back();  // the last gap is the rest of the frame period
    fill_period(d, kSonyFramePeriod);
    return d;
}

std::vector<std::uint32_t> nec_frame(std::uint32_t address, std::uint32_t command) {
    const std::uint32_t a = address & 0xFF, c = command & 0xFF;
    return nec_with(a | (~a & 0xFF) << 8, c | (~c & 0xFF) << 8);
}

std::vector<std::uint32_t> nec_extended_frame(std::uint32_t address, std::uint32_t command) {
    return nec_with(address & 0xFFFF, command & 0xFFFF);
}
