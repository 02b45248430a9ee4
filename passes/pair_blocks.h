// Eight pairs at a time: the fast path of the pair loop.
//
// Most pairs of a frame neither end it nor reach its group limit.
// Eight such pairs at a group boundary make whole groups (one of 8 bits or two
// of 4), and are decided together with vector compares: the bits, their
// characters, the group values and the sums come out exactly as the pair loop
// would make them one pair at a time. The block path needs SSE2 (every x86-64
// has it) and is built unless TAVLIN_PAIR_BLOCKS is 0; without it, walk_blocks
// takes no pair and the pair loop does all the work.
#pragma once

#include <cstdint>

#include "passes/frame_slicer.h"

// Walks blocks of eight pairs from word offset `word` of `words` (the frame's
// durations from its anchor) while every pair of the block is ordinary (no
// end test passes, no zero second duration) and the block's groups fit under
// the 256-group limit. Call it at a group boundary. Stores the bits at
// `cursor` and the groups after `group_count`, adds to `s` (but not n_off),
// and returns the offset of the first pair it did not take.
std::uint32_t walk_blocks(const unsigned char* words, std::uint32_t word, const format_profile& profile,
                          std::int32_t tb, std::int32_t te, char*& cursor, std::uint32_t* groups, unsigned& group_count,
                          frame_stats& s);
