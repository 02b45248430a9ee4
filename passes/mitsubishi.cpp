// MITSUBISHI: data pairs of a space and a mark from word 1, with nothing
// before them. The mark decides the bit: more than four times the first space
// (word 1) is a 1. Bytes, least significant bit first, in blocks of two.
#include "passes/mitsubishi.h"

#include "passes/frame_slicer.h"

namespace {

constexpr format_profile kMitsubishi{
    .letter = 'M',
    .header = "                                       SPACE    ON       OFF     SEPARATE\n",
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

}  // namespace

bool mitsubishi_record(const capture_image& image, std::uint64_t record_number, pass_state& state, out_writer& out,
                       bool verbose) {
    slice_frame(image, record_number, record_first_word(record_number), kMitsubishi, state, out, verbose);
    return true;
}

void decode_mitsubishi(const capture_image& image, out_writer& out, bool verbose) {
    walk_records(image, mitsubishi_record, out, verbose);
}
