// SONY: a transmission repeats its frame, each copy after a long gap (a mark
// over 65536). The frame starts after the record's first long gap: the space
// that follows the gap is the reference R, then pairs of a mark and a space.
// The space decides the bit (more than R ÷ 3 is a 1); a mark over 2 × (R ÷ 3)
// ends the frame. Four-bit groups, least significant bit first.
#include "passes/formats.h"

namespace {

// Only the even words 2 to 510 (the marks) are searched for the gap.
record_anchor find_long_gap(const unsigned char* record) {
    for (std::uint32_t i = 2; i <= kSonyLastGapWord; i += 2)
        if (load_word(record + 4 * i) > kLongGap) return {false, i, i + 1};
    // A record with no long gap and nothing in word 510 is taken as the end
    // of the recorded transmissions: the pass stops there, whatever later
    // records hold. With word 510 set, the record is one long frame read from
    // its start.
    return {load_word(record + 4 * kSonyLastGapWord) == 0, 0, kSonyLastGapWord + 1};
}

}  // namespace

// Anchored at the long gap: R is the word after it, the pairs start after R.
const format_profile kSony{
    .name = "SONY",
    .letter = 'S',
    .colour = "#138a6a",
    .header = "                                      SPACE1   MARK     ON       OFF     SEPARATE\n",
    .anchor = find_long_gap,
    .walk_end = "no long gap and word 510 is 0",
    .first_pair = 2,
    .reference = 1,
    .tb_multiplier = 1,
    .tb_divisor = 3,
    .end_tested = end_tested_duration::first,
    .group_width = 4,
    .groups_per_space = 1,
    .tail_words = {1, 0},
    .tail_word_count = 1,
};
