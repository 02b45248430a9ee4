// SONY: a transmission repeats its frame, each copy after a long gap (a mark
// over 65536). The frame starts after the record's first long gap: the space
// that follows the gap is the reference R, then pairs of a mark and a space.
// The space decides the bit (more than R ÷ 3 is a 1); a mark over 2 × (R ÷ 3)
// ends the frame. Four-bit groups, least significant bit first.
#include "passes/sony.h"

#include "passes/frame_slicer.h"

namespace {

constexpr std::int32_t kLongGap = 65536;
constexpr std::uint64_t kLastGapWord = 510;

// Anchored at the long gap: R is the word after it, the pairs start after R.
constexpr format_profile kSony{
    .letter = 'S',
    .header = "                                      SPACE1   MARK     ON       OFF     SEPARATE\n",
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

}  // namespace

bool sony_record(const capture_image& image, std::uint64_t record_number, pass_state& state, out_writer& out,
                 bool verbose) {
    const std::uint64_t first = record_first_word(record_number);
    // Only the even words 2 to 510 (the marks) are searched for the gap.
    const unsigned char* words = image_words(image, first, kLastGapWord + 1);
    std::uint64_t gap = 0;
    for (std::uint64_t i = 2; i <= kLastGapWord && gap == 0; i += 2) {
        // The last record may be partial; its reads past the data give 0.
        const std::int32_t mark = words != nullptr ? load_word(words + 4 * i) : image_word(image, first + i);
        if (mark > kLongGap) gap = i;
    }
    // A record with no long gap and nothing in word 510 is taken as the end
    // of the recorded transmissions: the pass stops there, whatever later
    // records hold. With word 510 set, the record is one long frame read from
    // its start.
    if (gap == 0 && image_word(image, first + kLastGapWord) == 0) return false;
    slice_frame(image, record_number, first + gap, kSony, state, out, verbose);
    return true;
}

void decode_sony(const capture_image& image, out_writer& out, bool verbose) {
    walk_records(image, sony_record, out, verbose);
}
