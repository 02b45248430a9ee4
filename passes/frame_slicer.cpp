// The pair loop, the frame end and the statistics tail.
#include "passes/frame_slicer.h"

namespace {

// Signed reading of a wrapped 32-bit result.
std::int32_t as_signed(std::uint32_t v) { return static_cast<std::int32_t>(v); }

std::int32_t bit_threshold(std::int32_t reference, const format_profile& profile) {
    const std::int32_t scaled = as_signed(static_cast<std::uint32_t>(reference) * profile.tb_multiplier);
    return scaled / profile.tb_divisor;  // truncates toward zero
}

struct frame_stats {
    std::uint32_t sum_first = 0;  // sums wrap modulo 2^32
    std::uint32_t sum_on = 0;
    std::uint32_t sum_off = 0;
    std::int32_t n_all = 0;
    std::int32_t n_on = 0;
    std::int32_t n_off = 0;
};

void print_groups(out_writer& out, const format_profile& profile, const std::uint32_t* groups, unsigned count) {
    const int digits = static_cast<int>(profile.group_width / 4);
    for (unsigned i = 0; i < count; ++i) {
        out_hex(out, groups[i], digits, '0');
        if ((i + 1) % profile.groups_per_space == 0) out_char(out, ' ');
    }
}

void print_field(out_writer& out, std::int32_t value) {
    out_char(out, ' ');
    out_hex8(out, static_cast<std::uint32_t>(value));
}

void print_tail(out_writer& out, const capture_image& image, std::uint64_t anchor, const format_profile& profile,
                const frame_stats& s, std::int32_t last_separate) {
    out_char(out, ':');
    for (unsigned i = 0; i < profile.tail_word_count; ++i)
        print_field(out, image_word(image, anchor + profile.tail_words[i]));
    if (s.n_all != 0 && s.n_on != 0 && s.n_off != 0) {
        print_field(out, as_signed(s.sum_first) / s.n_all);
        print_field(out, as_signed(s.sum_on) / s.n_on);
        print_field(out, as_signed(s.sum_off) / s.n_off);
    } else {
        // Without a count for every mean the tail shows the plain sums.
        print_field(out, as_signed(s.sum_first));
        print_field(out, as_signed(s.sum_on));
        print_field(out, as_signed(s.sum_off));
    }
    print_field(out, last_separate);
}

}  // namespace

void slice_frame(const capture_image& image, std::uint64_t record_number, std::uint64_t anchor,
                 const format_profile& profile, pass_state& state, out_writer& out, bool verbose) {
    const std::int32_t tb = bit_threshold(image_word(image, anchor + profile.reference), profile);
    const std::int32_t te = as_signed(2u * static_cast<std::uint32_t>(tb));
    const unsigned width = profile.group_width;

    std::uint32_t groups[kMaxGroups];
    unsigned group_count = 0;
    unsigned bits_in_group = 0;
    std::uint32_t accumulator = 0;
    frame_stats s;

    for (std::uint64_t word = anchor + profile.first_pair;; word += 2) {
        const std::int32_t a = image_word(image, word);
        const std::int32_t b = image_word(image, word + 1);
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
            if (!state.header_shown && verbose) out_text(out, profile.header);
            state.header_shown = true;
            print_record_prefix(out, profile.letter, record_number);
        }
        s.sum_first += static_cast<std::uint32_t>(a);
        ++s.n_all;
        // Bits are printed as they are decided; a frame without a whole group
        // leaves them on an open line that the next output continues.
        if (b > tb) {
            accumulator = (accumulator | 1u << width) >> 1;
            out_char(out, '1');
            s.sum_on += static_cast<std::uint32_t>(b);
            ++s.n_on;
        } else {
            accumulator >>= 1;
            out_char(out, '0');
            s.sum_off += static_cast<std::uint32_t>(b);
            ++s.n_off;
        }
        if (++bits_in_group == width) {
            groups[group_count++] = accumulator;
            out_char(out, ' ');
            if (group_count == kMaxGroups) break;
            accumulator = 0;
            bits_in_group = 0;
        }
    }

    if (group_count == 0) return;
    out_text(out, ": ");
    print_groups(out, profile, groups, group_count);
    if (verbose) print_tail(out, image, anchor, profile, s, state.last_separate);
    out_char(out, '\n');
}

void slice_every_record(const capture_image& image, const format_profile& profile, out_writer& out, bool verbose) {
    pass_state state;
    const std::uint64_t records = record_count(image);
    for (std::uint64_t number = 1; number <= records; ++number)
        slice_frame(image, number, record_first_word(number), profile, state, out, verbose);
}
