// The pair loop, the frame end and the statistics tail.
#include "passes/frame_slicer.h"

#include "passes/pair_blocks.h"

namespace {

// Signed reading of a wrapped 32-bit result.
std::int32_t as_signed(std::uint32_t v) { return static_cast<std::int32_t>(v); }

std::int32_t bit_threshold(std::int32_t reference, const format_profile& profile) {
    const std::int32_t scaled = as_signed(static_cast<std::uint32_t>(reference) * profile.tb_multiplier);
    return scaled / profile.tb_divisor;  // truncates toward zero
}

// The most a frame line can take: header, prefix, 256 groups of up to 8 bits
// and their spaces, ": ", the groups in hex, the tail and the line end.
constexpr std::size_t kFrameRoom = 4096;
static_assert(128 + 32 + kMaxGroups * 9 + 2 + kMaxGroups * 3 + 64 + 1 <= kFrameRoom);

// Words a frame can read from its anchor: its first pair, then one pair per
// bit of 256 groups of 8 and the pair that ends it.
constexpr std::uint64_t kFrameSpan = 4 + 2 * (kMaxGroups * 8 + 1);

// The groups in hex, one or two digits each (a group has 4 or 8 bits).
char* put_groups(char* p, const format_profile& profile, const std::uint32_t* groups, unsigned count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const bool two_digits = profile.group_width == 8;
    for (unsigned i = 0; i < count; ++i) {
        if (two_digits) *p++ = kDigits[groups[i] >> 4 & 0xFu];
        *p++ = kDigits[groups[i] & 0xFu];
        if ((i + 1) % profile.groups_per_space == 0) *p++ = ' ';
    }
    return p;
}

char* put_field(char* p, std::int32_t value) {
    *p++ = ' ';
    return put_hex8(p, static_cast<std::uint32_t>(value));
}

char* put_tail(char* p, const capture_image& image, std::uint64_t anchor, const format_profile& profile,
               const frame_stats& s, std::int32_t last_separate) {
    *p++ = ':';
    for (unsigned i = 0; i < profile.tail_word_count; ++i)
        p = put_field(p, image_word(image, anchor + profile.tail_words[i]));
    if (s.n_all != 0 && s.n_on != 0 && s.n_off != 0) {
        p = put_field(p, as_signed(s.sum_first) / s.n_all);
        p = put_field(p, as_signed(s.sum_on) / s.n_on);
        p = put_field(p, as_signed(s.sum_off) / s.n_off);
    } else {
        // Without a count for every mean the tail shows the plain sums.
        p = put_field(p, as_signed(s.sum_first));
        p = put_field(p, as_signed(s.sum_on));
        p = put_field(p, as_signed(s.sum_off));
    }
    return put_field(p, last_separate);
}

// The pair loop over durations read by `duration_at` (a word offset from the
// anchor), or from `words` directly when they are not null. Bits are stored
// at `cursor` as they are decided, after the header and the prefix that the
// first bit brings; the finished groups go to `groups`. Returns the end of the
// text.
template <typename Read>
char* walk_pairs(Read duration_at, const unsigned char* words, std::uint64_t record_number,
                 const format_profile& profile, std::int32_t tb, std::int32_t te, pass_state& state, bool verbose,
                 char* cursor, std::uint32_t* groups, unsigned& group_count, frame_stats& s) {
    const unsigned width = profile.group_width;
    unsigned bits_in_group = 0;
    std::uint32_t accumulator = 0;
    for (std::uint64_t word = profile.first_pair;; word += 2) {
        if (words != nullptr && bits_in_group == 0 && s.n_all != 0) {
            word = walk_blocks(words, word, profile, tb, te, cursor, groups, group_count, s);
            if (group_count == kMaxGroups) break;
        }
        const std::int32_t a = duration_at(word);
        const std::int32_t b = duration_at(word + 1);
        const std::int32_t tested = profile.end_tested == end_tested_duration::first ? a : b;
        // The end test comes before the zero test: with a negative Te a zero
        // second duration is a long duration, and becomes last_separate.
        if (tested > te) {
            state.last_separate = tested;
            break;
        }
        if (b == 0) break;

        if (s.n_all == 0) {
            // The header belongs to the first frame the pass prints, not to
            // the first record it visits.
            if (!state.header_shown && verbose) cursor = put_text(cursor, profile.header);
            state.header_shown = true;
            cursor = put_record_prefix(cursor, profile.letter, record_number);
        }
        // Without branches on the bit: bits of real frames are unpredictable.
        const std::uint32_t one = b > tb ? 1u : 0u;
        const std::uint32_t on_mask = 0u - one;
        accumulator = (accumulator | one << width) >> 1;
        *cursor++ = static_cast<char>('0' + one);
        s.sum_first += static_cast<std::uint32_t>(a);
        s.sum_on += static_cast<std::uint32_t>(b) & on_mask;
        s.sum_off += static_cast<std::uint32_t>(b) & ~on_mask;
        s.n_on += static_cast<std::int32_t>(one);
        ++s.n_all;
        if (++bits_in_group == width) {
            groups[group_count++] = accumulator;
            *cursor++ = ' ';
            if (group_count == kMaxGroups) break;
            accumulator = 0;
            bits_in_group = 0;
        }
    }
    s.n_off = s.n_all - s.n_on;
    return cursor;
}

}  // namespace

void slice_frame(const capture_image& image, std::uint64_t record_number, std::uint64_t anchor,
                 const format_profile& profile, pass_state& state, out_writer& out, bool verbose) {
    const std::int32_t tb = bit_threshold(image_word(image, anchor + profile.reference), profile);
    const std::int32_t te = as_signed(2u * static_cast<std::uint32_t>(tb));

    std::uint32_t groups[kMaxGroups];
    unsigned group_count = 0;
    frame_stats s;
    char* cursor = out_room(out, kFrameRoom);
    // Frames away from the end of the data read straight from the window;
    // the others through the reads that give 0 past the data.
    if (const unsigned char* words = image_words(image, anchor, kFrameSpan)) {
        const auto duration_at = [words](std::uint64_t i) { return load_word(words + 4 * i); };
        cursor = walk_pairs(duration_at, words, record_number, profile, tb, te, state, verbose, cursor, groups,
                            group_count, s);
    } else {
        const auto duration_at = [&image, anchor](std::uint64_t i) { return image_word(image, anchor + i); };
        cursor = walk_pairs(duration_at, nullptr, record_number, profile, tb, te, state, verbose, cursor, groups,
                            group_count, s);
    }

    // A frame without a whole group leaves its bits on an open line that the
    // next output continues.
    if (group_count != 0) {
        cursor = put_text(cursor, ": ");
        cursor = put_groups(cursor, profile, groups, group_count);
        if (verbose) cursor = put_tail(cursor, image, anchor, profile, s, state.last_separate);
        *cursor++ = '\n';
    }
    // A frame read past a failed read of the file is not printed: the run
    // reports the failed read instead.
    if (!image_failed(image)) out_commit(out, cursor);
}

void walk_records(const capture_image& image, record_step step, out_writer& out, bool verbose) {
    pass_state state;
    const std::uint64_t records = record_count(image);
    for (std::uint64_t number = 1; number <= records && !image_failed(image); ++number)
        if (!step(image, number, state, out, verbose)) return;
}
