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
//
// read_frame is the one place that decides a frame; the text passes print
// what it decided, and other code (the viewer) reads the same decisions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "passes/pass.h"

constexpr unsigned kMaxGroups = 256;

// Words a frame can read from its anchor: its first pair (at most word 3),
// one pair per bit of 256 groups of 8, and the pair that ends it.
constexpr std::uint64_t kFrameSpanWords = 4 + 2 * (kMaxGroups * 8 + 1);
static_assert(kFrameSpanWords <= kMaxSpanWords);

enum class end_tested_duration { first, second };

// Where a record's frame is anchored, as a format decides it from the
// record's words.
struct record_anchor {
    bool ends_pass;            // the pass ends at this record, which prints nothing
    std::uint32_t offset;      // the anchor: a word offset from the record's start
    std::uint32_t words_read;  // the record's words the decision looked at
};

struct format_profile {
    std::string_view name;    // as people call the format: "KANDEN"
    char letter;              // the line letter: K, M or S
    std::string_view colour;  // the format's colour in pictures, as CSS has it
    std::string_view header;  // column header of verbose runs, with its line end
    // Decides the anchor from the record's 512 words; nullptr anchors every
    // frame at the record's word 0.
    record_anchor (*anchor)(const unsigned char* record);
    // Why the anchor rule ends the pass at a record, in words, for the
    // viewer ("" without an anchor rule).
    std::string_view walk_end;
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

// The sums and counts of a frame's pairs, for the verbose tail.
struct frame_stats {
    std::uint32_t sum_first = 0;  // sums wrap modulo 2^32
    std::uint32_t sum_on = 0;
    std::uint32_t sum_off = 0;
    std::int32_t n_all = 0;  // pairs that gave a bit: the frame's bits
    std::int32_t n_on = 0;
    std::int32_t n_off = 0;
};

enum class frame_end {
    long_duration,  // the end-tested duration of a pair exceeded Te
    zero,           // the second duration of a pair was 0
    group_limit,    // the 256th group was finished
};

// Everything the slicer decided about one frame.
struct frame_reading {
    std::int32_t reference;  // R
    std::int32_t tb;         // the bit threshold: a second duration over it is a 1
    std::int32_t te;         // the end threshold: an end-tested duration over it ends the frame
    frame_stats stats;
    unsigned group_count;  // finished groups; bits of an unfinished last group are in the text only
    std::uint32_t groups[kMaxGroups];
    frame_end end;
    std::int32_t end_duration;  // the duration that ended the frame (long_duration)
    std::uint32_t end_pair;     // the last pair read: its first word, from the anchor
    std::uint32_t words_read;   // words from the anchor the decisions depend on
};

// Decides the frame anchored at `words` (kFrameSpanWords words of the image).
// Stores the bits at `bits` as they print: one '0' or '1' per pair, in pair
// order, with a space after every whole group; returns the end of that text.
char* read_frame(const unsigned char* words, const format_profile& profile, frame_reading& frame, char* bits);

// The frame's groups in hexadecimal, as its line prints them after ": ":
// one or two digits each (a group has 4 or 8 bits), a space after every
// profile.groups_per_space groups. Returns the end of the text.
char* put_groups(char* p, const format_profile& profile, const frame_reading& frame);

// What a format pass keeps from one record to the next.
struct pass_state {
    bool header_shown = false;
    bool ended = false;  // the profile's anchor rule ended the pass at a record
    // The last duration that ended a frame of this pass by exceeding Te. No
    // frame has done so at the start of a pass; 0 stands in until one does.
    std::int32_t last_separate = 0;
};

// What a format pass reads in one record: where its frame is anchored (or
// that the pass ends there), the frame, and the verbose statistics fields
// with last_separate as the frame leaves it.
struct record_reading {
    record_anchor anchor;  // offset 0 for a profile without an anchor rule
    frame_reading frame;   // not read when the anchor ends the pass
    std::int32_t tail[6];
    unsigned tail_count;
};

// The bits of a frame as they print: one character per pair, a space after
// each whole group.
constexpr std::size_t kMostBitsText = kMaxGroups * 9;

// One record through one pass, for the passes and the viewer alike: the
// anchor, the frame with its bits stored at `bits` (kMostBitsText bytes;
// `*bits_end` is set to the end of them), the tail fields when `with_tail`
// (tail_count is 0 otherwise), and the pass state after it. A pass that has
// ended reads nothing more. Returns 0, or the errno of a read that did not
// deliver a word the record's reading needed.
int read_record(capture_image& image, const format_profile& profile, std::uint64_t number, pass_state& state,
                bool with_tail, record_reading& reading, char* bits, char** bits_end);

// What a frame's line prints after its bits: nothing for a frame without a
// whole group (its line is left open), else ": ", the groups, with
// `verbose` the statistics tail, and the line end. Returns the end.
char* put_line_end(char* p, const format_profile& profile, const record_reading& reading, bool verbose);

// A whole format pass: every record's frame, in file order, until the walk
// ends or the profile's anchor ends the pass. Returns 0, or the errno of a
// failed read.
int decode_format(capture_image& image, const format_profile& profile, out_writer& out, bool verbose);
