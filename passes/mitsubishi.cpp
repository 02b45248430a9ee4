// MITSUBISHI: data pairs of a space and a mark from word 1, with nothing
// before them. The mark decides the bit: more than four times the first space
// (word 1) is a 1. Bytes, least significant bit first, in blocks of two.
#include "passes/formats.h"

const format_profile kMitsubishi{
    .name = "MITSUBISHI",
    .letter = 'M',
    .colour = "#c45a00",
    .header = "                                       SPACE    ON       OFF     SEPARATE\n",
    .anchor = nullptr,
    .walk_end = "",
    .first_pair = 1,
    .reference = 1,
    .tb_multiplier = 4,
    .tb_divisor = 1,
    .end_tested = end_tested_duration::second,
    .group_width = 8,
    .groups_per_space = 2,
    .tail_words = {},
    .tail_word_count = 0,
};
