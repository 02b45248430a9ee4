// Frames of the parsed protocols, from their timings: pulse-distance codes
// and bi-phase codes.
#include "tools/forms/protocols.h"

#include <array>

namespace {

using durations = std::vector<std::uint32_t>;

// Ends a frame with the gap that makes it last `period`: added to a last
// gap, or after a last burst.
void fill_period(durations& d, std::uint32_t period) {
    std::uint32_t length = 0;
    for (const std::uint32_t v : d) length += v;
    if (period <= length) return;
    if (d.size() % 2 == 0)
        d.back() += period - length;
    else
        d.push_back(period - length);
}

// A pulse-distance protocol: a header burst and gap, per bit a burst and a
// gap for a 1 or a 0, least significant bit first, a closing burst, then a
// gap that fills `period`, or when that is 0, lasts `last_gap`.
struct pulse_distance {
    std::uint32_t header_burst, header_gap, burst, one_gap, zero_gap, period, last_gap;
};

constexpr pulse_distance kNec{9000, 4500, 560, 1690, 560, 108000, 0};
constexpr pulse_distance kNec42{9000, 4500, 560, 1690, 560, 110000, 0};
constexpr pulse_distance kSamsung{4500, 4500, 550, 1650, 550, 108000, 0};
constexpr pulse_distance kPioneer{8500, 4225, 500, 1500, 500, 0, 26500};
constexpr pulse_distance kRca{4000, 4000, 500, 2000, 1000, 0, 8000};
constexpr std::uint32_t kKaseikyoUnit = 432;
constexpr pulse_distance kKaseikyo{
    8 * kKaseikyoUnit, 4 * kKaseikyoUnit, kKaseikyoUnit, 3 * kKaseikyoUnit, kKaseikyoUnit, 130000, 0};

durations pulse_distance_frame(const pulse_distance& p, std::uint64_t bits, unsigned count) {
    durations d = {p.header_burst, p.header_gap};
    for (unsigned i = 0; i < count; ++i) {
        d.push_back(p.burst);
        d.push_back(bits >> i & 1 ? p.one_gap : p.zero_gap);
    }
    d.push_back(p.burst);
    if (p.period != 0)
        fill_period(d, p.period);
    else
        d.push_back(p.last_gap);
    return d;
}

std::uint32_t inverse(std::uint32_t value, unsigned bits) { return ~value & ((1u << bits) - 1); }

// One half of a bi-phase bit: joins the last duration when that is of its
// level; a frame starts with its first burst, so a gap before it is dropped.
void add_half(durations& d, bool burst, std::uint32_t length) {
    const bool last_is_burst = d.size() % 2 == 1;
    if (d.empty() && !burst) return;
    if (!d.empty() && last_is_burst == burst)
        d.back() += length;
    else
        d.push_back(length);
}

// `count` bits of `bits`, most significant first, in halves of `half`; a 1
// starts with a burst when `one_burst_first`, with a gap when not.
void biphase_bits(durations& d, std::uint32_t bits, unsigned count, std::uint32_t half, bool one_burst_first) {
    for (unsigned i = count; i-- > 0;) {
        const bool first_burst = (bits >> i & 1) == (one_burst_first ? 1u : 0u);
        add_half(d, first_burst, half);
        add_half(d, !first_burst, half);
    }
}

constexpr std::uint32_t kRc5Half = 889, kRc5Period = 114000;
constexpr std::uint32_t kRc6Half = 444, kRc6LeaderBurst = 6 * kRc6Half, kRc6LeaderGap = 2 * kRc6Half;
constexpr std::uint32_t kRc6Period = 107000;

durations rc5(std::uint32_t address, std::uint32_t command, unsigned field) {
    durations d;
    // start bit, field bit, toggle bit 0, address, command
    biphase_bits(d, 1u << 13 | field << 12 | (address & 0x1F) << 6 | (command & 0x3F), 14, kRc5Half, false);
    fill_period(d, kRc5Period);
    return d;
}

durations sirc(std::uint32_t command, std::uint32_t address, unsigned address_bits) {
    constexpr std::uint32_t kHeader = 2400, kUnit = 600, kPeriod = 45000;
    durations d = {kHeader, kUnit};
    const std::uint32_t bits = (command & 0x7F) | (address & ((1u << address_bits) - 1)) << 7;
    for (unsigned i = 0; i < 7 + address_bits; ++i) {
        d.push_back(bits >> i & 1 ? 2 * kUnit : kUnit);
        d.push_back(kUnit);
    }
    d.pop_back();  // the last gap is the rest of the frame period
    fill_period(d, kPeriod);
    return d;
}

durations sirc12(std::uint32_t a, std::uint32_t c) { return sirc(c, a, 5); }
durations sirc15(std::uint32_t a, std::uint32_t c) { return sirc(c, a, 8); }
durations sirc20(std::uint32_t a, std::uint32_t c) { return sirc(c, a, 13); }

durations nec(std::uint32_t a, std::uint32_t c) {
    a &= 0xFF, c &= 0xFF;
    return pulse_distance_frame(kNec, a | inverse(a, 8) << 8 | c << 16 | inverse(c, 8) << 24, 32);
}

durations nec_extended(std::uint32_t a, std::uint32_t c) {
    return pulse_distance_frame(kNec, (a & 0xFFFF) | (c & 0xFFFF) << 16, 32);
}

durations nec42(std::uint32_t a, std::uint32_t c) {
    a &= 0x1FFF, c &= 0xFF;
    const std::uint64_t bits =
        a | std::uint64_t{inverse(a, 13)} << 13 | std::uint64_t{c} << 26 | std::uint64_t{inverse(c, 8)} << 34;
    return pulse_distance_frame(kNec42, bits, 42);
}

durations nec42_extended(std::uint32_t a, std::uint32_t c) {
    return pulse_distance_frame(kNec42, (a & 0x3FFFFFF) | std::uint64_t{c & 0xFFFF} << 26, 42);
}

durations samsung(std::uint32_t a, std::uint32_t c) {
    a &= 0xFF, c &= 0xFF;
    return pulse_distance_frame(kSamsung, a | a << 8 | c << 16 | inverse(c, 8) << 24, 32);
}

durations pioneer(std::uint32_t a, std::uint32_t c) {
    a &= 0xFF, c &= 0xFF;
    return pulse_distance_frame(kPioneer, a | inverse(a, 8) << 8 | c << 16 | inverse(c, 8) << 24, 32);
}

durations rca(std::uint32_t a, std::uint32_t c) {
    a &= 0xF, c &= 0xFF;
    return pulse_distance_frame(kRca, a | c << 4 | inverse(a, 4) << 12 | inverse(c, 8) << 16, 24);
}

// The address holds genre 2 in bits 0-3, genre 1 in bits 4-7, the vendor id
// in bits 8-23 and the id in bits 24-25; the command has 10 bits.
durations kaseikyo(std::uint32_t a, std::uint32_t c) {
    const std::uint32_t vendor = a >> 8 & 0xFFFF, genre1 = a >> 4 & 0xF, genre2 = a & 0xF, id = a >> 24 & 3;
    std::array<std::uint32_t, 6> bytes{};
    bytes[0] = vendor & 0xFF;
    bytes[1] = vendor >> 8;
    const std::uint32_t folded = bytes[0] ^ bytes[1];
    bytes[2] = ((folded ^ folded >> 4) & 0xF) | genre1 << 4;
    bytes[3] = genre2 | (c & 0xF) << 4;
    bytes[4] = (c >> 4 & 0x3F) | id << 6;
    bytes[5] = bytes[2] ^ bytes[3] ^ bytes[4];
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) bits |= std::uint64_t{bytes[i]} << (8 * i);
    return pulse_distance_frame(kKaseikyo, bits, 48);
}

durations rc5_normal(std::uint32_t a, std::uint32_t c) { return rc5(a, c, 1); }
durations rc5_extended(std::uint32_t a, std::uint32_t c) { return rc5(a, c, 0); }

durations rc6(std::uint32_t a, std::uint32_t c) {
    durations d = {kRc6LeaderBurst, kRc6LeaderGap};
    biphase_bits(d, 0x8, 4, kRc6Half, true);    // the start bit and mode 0
    biphase_bits(d, 0, 1, 2 * kRc6Half, true);  // the toggle bit
    biphase_bits(d, (a & 0xFF) << 8 | (c & 0xFF), 16, kRc6Half, true);
    fill_period(d, kRc6Period);
    return d;
}

constexpr parsed_protocol kProtocols[] = {
    {"SIRC", sirc12, 40000},
    {"SIRC15", sirc15, 40000},
    {"SIRC20", sirc20, 40000},
    {"NEC", nec, 38000},
    {"NECext", nec_extended, 38000},
    {"NEC42", nec42, 38000},
    {"NEC42ext", nec42_extended, 38000},
    {"Samsung32", samsung, 38000},
    {"Pioneer", pioneer, 40000},
    {"RCA", rca, 38000},
    {"Kaseikyo", kaseikyo, 38000},
    {"RC5", rc5_normal, 36000},
    {"RC5X", rc5_extended, 36000},
    {"RC6", rc6, 36000},
};

}  // namespace

const parsed_protocol* find_protocol(std::string_view name) {
    for (const parsed_protocol& p : kProtocols)
        if (p.name == name) return &p;
    return nullptr;
}
