// What the decoders decide for each record the viewer shows, from the same
// profiles, anchors and frame reading as tavlin's passes: one source of the
// decoding rules.
//
// A pass carries two things from record to record: last_separate, and, for
// SONY, whether its walk has already stopped. The viewer reads the records
// asked for; to know that state it also walks the records before and between
// them, as long as those are at most kMostWalked records together. Past
// that, the state is marked unknown until a frame ends on a long duration
// again (last_separate), or for good (the SONY walk).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/image.h"
#include "passes/frame_slicer.h"

constexpr std::uint64_t kMostWalked = 65536;  // records, 128 MiB of capture

struct decoder_decision {
    bool reached = true;      // the pass visits this record
    bool reach_known = true;  // false: unread records before it may have stopped the SONY walk
    bool ends_walk = false;   // the anchor rule ends the pass here (SONY: no long gap, word 510 at 0)
    record_anchor anchor{};   // where the frame is anchored in the record
    frame_reading frame{};
    std::string bits;        // the frame's bits as they print, a space after every whole group
    std::string line;        // what tavlin prints for this record, without the verbose tail
    std::int32_t tail[6]{};  // the verbose statistics fields
    unsigned tail_count = 0;
    bool separate_known = true;  // last_separate (the last tail field) is known
};

struct record_decisions {
    std::uint64_t number = 0;
    std::vector<std::int32_t> words;         // the record's words up to its last non-zero one
    std::vector<decoder_decision> decoders;  // one per profile, in the order given
};

struct decision_walk {
    std::vector<const format_profile*> profiles;
    std::uint64_t next = 1;  // the next record whose state the walk has not taken in
    std::vector<pass_state> states;
    std::vector<bool> stopped, reach_known, separate_known;
};

decision_walk start_walk(const std::vector<const format_profile*>& profiles);

// The decisions on record `number`, after walking the records before it that
// the walk has not seen (at most kMostWalked of them; past that, the state is
// marked unknown). Records must come in increasing order. Returns 0, or the
// errno of a failed read.
int decide_record(capture_image& image, decision_walk& walk, std::uint64_t number, record_decisions& decisions);

// The decisions on record `number` alone, as a pass that starts there would
// make them (for the base of a comparison).
int decide_alone(capture_image& image, const std::vector<const format_profile*>& profiles, std::uint64_t number,
                 record_decisions& decisions);
