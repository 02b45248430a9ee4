// The frame slicer that the KANDEN, MITSUBISHI and SONY passes share.
//
// A format pass names, for each record, an anchor word; its profile says where
// the frame's first pair and its reference duration R lie relative to that
// anchor. The slicer walks the frame two durations at a time: the second
// duration of each pair decides its bit against the bit threshold Tb (derived
// from R), the bits are packed least significant first into groups of 8 or 4,
// and the frame ends at a long duration (over the end threshold Te = 2 × Tb),
// at a zero second duration, or at the 256th group. A frame is not confined to
// its record: it reads on into the following records and past the end of the
// data, where every word is 0.
//
// All duration arithmetic is signed 32-bit and wraps modulo 2^32, as the
// capture format has always been decoded: thresholds such as 4 × R wrap past
// 2^31 and then compare as negative numbers.
#pragma once

#include <cstdint>
#include <string_view>

#include "passes/pass.h"

constexpr unsigned kMaxGroups = 256;

enum class end_tested_duration { first, second };

struct format_profile {
    char letter;                  // the line letter: K, M or S
    std::string_view header;      // column header of verbose runs, with its line end
    std::uint32_t first_pair;     // word of pair 0's first duration, from the anchor
    std::uint32_t reference;      // word of the reference R, from the anchor
    std::uint32_t tb_multiplier;  // Tb = R × tb_multiplier ÷ tb_divisor (wrapping, truncating)
    std::int32_t tb_divisor;
    end_tested_duration end_tested;  // which duration of a pair is compared with Te
    unsigned group_width;            // bits per group: 8 or 4
    unsigned groups_per_space;       // a space follows every this many groups
    // The verbose statistics tail: these words (from the anchor) first, then
    // the three means and last_separate.
    std::uint32_t tail_words[2];
    unsigned tail_word_count;
};

// What a pass keeps from one record to the next.
struct pass_state {
    bool header_shown = false;
    // The last duration that ended a frame of this pass by exceeding Te. No
    // frame has done so at the start of a pass; 0 stands in until one does.
    std::int32_t last_separate = 0;
};

// Slices and prints the frame of record `record_number`, anchored at absolute
// word `anchor`.
void slice_frame(const capture_image& image, std::uint64_t record_number, std::uint64_t anchor,
                 const format_profile& profile, pass_state& state, out_writer& out, bool verbose);

// One record of a format pass: prints the record's frame, if it has one.
// Returns false when the pass ends at this record (the SONY pass's stop).
using record_step = bool (*)(const capture_image& image, std::uint64_t record_number, pass_state& state,
                             out_writer& out, bool verbose);

// A whole format pass: its step over every record in turn, until the pass
// ends or a read of the file fails.
void walk_records(const capture_image& image, record_step step, out_writer& out, bool verbose);
