// Eight pairs at a time: the fast path of the pair loop.
//
// Inside a frame, long runs of pairs neither end the frame nor start a line.
// Eight such pairs at a group boundary make whole groups (one of 8 bits or two
// of 4), and are decided together with vector compares: the bits, their
// characters, the group values and the sums come out exactly as the pair loop
// would make them one pair at a time.
#pragma once

#include <cstdint>

#include "passes/frame_slicer.h"

// The sums and counts of a frame's pairs, for the verbose tail.
struct frame_stats {
    std::uint32_t sum_first = 0;  // sums wrap modulo 2^32
    std::uint32_t sum_on = 0;
    std::uint32_t sum_off = 0;
    std::int32_t n_all = 0;
    std::int32_t n_on = 0;
    std::int32_t n_off = 0;
};

// Walks blocks of eight pairs from word offset `word` of `words` (the frame's
// durations from its anchor) while every pair of the block is ordinary (no
// end test passes, no zero second duration) and the block's groups fit under
// the 256-group limit. Call it at a group boundary. Stores the bits at
// `cursor` and the groups after `group_count`, adds to `s` (but not n_off),
// and returns the offset of the first pair it did not take.
std::uint64_t walk_blocks(const unsigned char* words, std::uint64_t word, const format_profile& profile,
                          std::int32_t tb, std::int32_t te, char*& cursor, std::uint32_t* groups, unsigned& group_count,
                          frame_stats& s);
