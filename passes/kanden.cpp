// KANDEN: a first space and a first mark (words 1 and 2), shown only in the
// statistics, then data pairs of a space and a mark from word 3. The mark
// decides the bit: more than twice the first data space (word 3) is a 1.
// Bytes, least significant bit first, shown in blocks of two.
#include "passes/formats.h"

const format_profile kKanden{
    .name = "KANDEN",
    .letter = 'K',
    .colour = "#1f6fb4",
    .header =
        "                                                              SPACE1   MARK1    SPACE    ON       OFF     "
        "SEPARATE\n",
    .anchor = nullptr,
    .walk_end = "",
    .first_pair = 3,
    .reference = 3,
    .tb_multiplier = 2,
    .tb_divisor = 1,
    .end_tested = end_tested_duration::second,
    .group_width = 8,
    .groups_per_space = 2,
    .tail_words = {1, 2},
    .tail_word_count = 2,
};
