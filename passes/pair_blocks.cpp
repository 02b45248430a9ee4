// Vector decisions of eight pairs, with SSE2.
#include "passes/pair_blocks.h"

#if TAVLIN_PAIR_BLOCKS && defined(__SSE2__)

#include <emmintrin.h>

#include <bit>
#include <cstring>

namespace {

// The eight characters of eight bits, first bit first, and how many are 1
// (counted here: x86-64 has no population count instruction in its base set).
struct bit_characters {
    char text[256][8];
    std::uint8_t ones[256];
};
constexpr bit_characters kBitCharacters = [] {
    bit_characters table{};
    for (int bits = 0; bits < 256; ++bits) {
        for (int i = 0; i < 8; ++i) {
            table.text[bits][i] = static_cast<char>('0' + (bits >> i & 1));
            table.ones[bits] = static_cast<std::uint8_t>(table.ones[bits] + (bits >> i & 1));
        }
    }
    return table;
}();

// Lane sum of four 32-bit lanes, wrapping.
std::uint32_t lane_sum(__m128i v) {
    std::uint32_t lanes[4];
    std::memcpy(lanes, &v, sizeof lanes);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

// The first and the second durations of four pairs from eight words.
void split_pairs(const unsigned char* p, __m128i& first, __m128i& second) {
    const __m128 lo = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    const __m128 hi = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    first = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    second = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
}

}  // namespace

std::uint32_t walk_blocks(const unsigned char* words, std::uint32_t word, const format_profile& profile,
                          std::int32_t tb, std::int32_t te, char*& cursor, std::uint32_t* groups, unsigned& group_count,
                          frame_stats& s) {
    static_assert(std::endian::native == std::endian::little, "SSE2 lanes are little-endian words");
    const unsigned groups_per_block = 8 / profile.group_width;
    const __m128i tb_lanes = _mm_set1_epi32(tb);
    const __m128i te_lanes = _mm_set1_epi32(te);
    const __m128i zero = _mm_setzero_si128();
    const bool first_tested = profile.end_tested == end_tested_duration::first;
    __m128i sum_first = zero, sum_on = zero, sum_off = zero;
    char* p = cursor;

    while (group_count + groups_per_block <= kMaxGroups) {
        __m128i a0, b0, a1, b1;
        split_pairs(words + 4 * word, a0, b0);
        split_pairs(words + 4 * word + 32, a1, b1);
        const __m128i tested0 = first_tested ? a0 : b0;
        const __m128i tested1 = first_tested ? a1 : b1;
        const __m128i stop =
            _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi32(tested0, te_lanes), _mm_cmpgt_epi32(tested1, te_lanes)),
                         _mm_or_si128(_mm_cmpeq_epi32(b0, zero), _mm_cmpeq_epi32(b1, zero)));
        if (_mm_movemask_epi8(stop) != 0) break;  // the pair loop takes this block

        const __m128i ones0 = _mm_cmpgt_epi32(b0, tb_lanes);
        const __m128i ones1 = _mm_cmpgt_epi32(b1, tb_lanes);
        const unsigned bits = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(ones0))) |
                              static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(ones1))) << 4;
        sum_first = _mm_add_epi32(sum_first, _mm_add_epi32(a0, a1));
        sum_on = _mm_add_epi32(sum_on, _mm_add_epi32(_mm_and_si128(ones0, b0), _mm_and_si128(ones1, b1)));
        sum_off = _mm_add_epi32(sum_off, _mm_add_epi32(_mm_andnot_si128(ones0, b0), _mm_andnot_si128(ones1, b1)));
        s.n_on += kBitCharacters.ones[bits];
        s.n_all += 8;

        // Groups hold their first bit in bit 0, as the bits came.
        if (groups_per_block == 1) {
            std::memcpy(p, kBitCharacters.text[bits], 8);
            p[8] = ' ';
            p += 9;
            groups[group_count++] = bits;
        } else {
            std::memcpy(p, kBitCharacters.text[bits], 4);
            p[4] = ' ';
            std::memcpy(p + 5, kBitCharacters.text[bits] + 4, 4);
            p[9] = ' ';
            p += 10;
            groups[group_count++] = bits & 0xFu;
            groups[group_count++] = bits >> 4;
        }
        word += 16;
    }
    s.sum_first += lane_sum(sum_first);
    s.sum_on += lane_sum(sum_on);
    s.sum_off += lane_sum(sum_off);
    cursor = p;
    return word;
}

#else

std::uint32_t walk_blocks(const unsigned char*, std::uint32_t word, const format_profile&, std::int32_t, std::int32_t,
                          char*&, std::uint32_t*, unsigned&, frame_stats&) {
    return word;
}

#endif
