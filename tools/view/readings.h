// What the decoders read in each record the viewer shows: the passes' own
// per-record step (read_record), with what a picture needs kept beside it.
//
// A pass carries two things from record to record: last_separate, and
// whether its anchor rule has ended it (the SONY walk). The viewer reads the
// records asked for; to know that state it also walks the records before and
// between them, as long as those are at most kMostWalked records together.
// Past that, the state is marked unknown until a frame ends on a long
// duration again (last_separate), or for good (the end of the walk).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "capture/image.h"
#include "passes/frame_slicer.h"
#include "tools/view/signals.h"

constexpr std::uint64_t kMostWalked = 65536;  // records, 128 MiB of capture

struct decoder_reading {
    bool reached = true;         // the pass visits this record
    bool reach_known = true;     // false: unread records before it may have ended the pass
    bool separate_known = true;  // last_separate (the last tail field) is known
    record_reading record{};     // anchor, frame and tail as the pass read them
    std::string bits;            // the frame's bits as they print, a space after every whole group
    std::string line;            // what tavlin prints for this record, without the verbose tail
    std::string verbose_line;    // and with it
    std::size_t prefix_size = 0;  // the record prefix that starts the line
    bool fits = false;            // the reading explains the record's signal (tools/view/fit.h)
    std::string fit_reason;       // why, or why not, in a few words
};

// The anchor rule ended the pass at this record, which prints nothing.
inline bool ends_walk(const decoder_reading& d) { return d.reached && d.record.anchor.ends_pass; }

struct record_readings {
    std::uint64_t number = 0;
    // The record's words that are signal: for a record of an imported
    // signal, up to the 0 that ends its durations, or as far as a decoder
    // read; for any other, up to its last non-zero word.
    std::vector<std::int32_t> words;
    record_place place;  // where it stands in the signals laid out
    std::string label;   // its signal's name and what the record is of it (place_label), or ""
    std::vector<decoder_reading> decoders;  // one per profile, in the order given
};

using profile_list = std::span<const format_profile* const>;

struct reading_walk {
    profile_list profiles;
    std::uint64_t next = 1;  // the next record whose state the walk has not taken in
    std::vector<pass_state> states;
    std::vector<bool> reach_known, separate_known;
    place_cache places;
};

reading_walk start_walk(profile_list profiles);

// The readings of record `number`, after walking the records before it that
// the walk has not seen (at most kMostWalked of them; past that, the state is
// marked unknown). Records must come in increasing order. Returns 0, or the
// errno of a failed read.
int read_shown_record(capture_image& image, reading_walk& walk, std::uint64_t number, record_readings& readings);

// The readings of record `number` alone, as a pass that starts there would
// make them (for the base of a comparison).
int read_record_alone(capture_image& image, profile_list profiles, std::uint64_t number, record_readings& readings);
