// The eight-pair fast path against the pairs taken one at a time: same bits,
// same groups, same sums, and it stops at the first block the pair loop must
// take.
#include "passes/pair_blocks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

format_profile shape(end_tested_duration end, unsigned width) {
    return format_profile{.letter = 'X',
                          .header = "",
                          .first_pair = 1,
                          .reference = 0,
                          .tb_multiplier = 1,
                          .tb_divisor = 1,
                          .end_tested = end,
                          .group_width = width,
                          .groups_per_space = 1,
                          .tail_words = {},
                          .tail_word_count = 0};
}

struct pair_reading {
    std::string text;
    std::vector<std::uint32_t> groups;
    frame_stats s;
};

// Pairs [from, to) one at a time, as the pair loop decides them.
pair_reading one_at_a_time(const std::vector<std::int32_t>& w, std::uint64_t from, std::uint64_t to,
                           const format_profile& p, std::int32_t tb) {
    pair_reading r;
    std::uint32_t group = 0;
    unsigned bits = 0;
    for (std::uint64_t i = from; i < to; i += 2) {
        const bool one = w[i + 1] > tb;
        r.text += one ? '1' : '0';
        group |= std::uint32_t{one} << bits;
        r.s.sum_first += static_cast<std::uint32_t>(w[i]);
        (one ? r.s.sum_on : r.s.sum_off) += static_cast<std::uint32_t>(w[i + 1]);
        r.s.n_on += one;
        ++r.s.n_all;
        if (++bits == p.group_width) {
            r.text += ' ';
            r.groups.push_back(group);
            group = 0;
            bits = 0;
        }
    }
    return r;
}

bool ends_frame(const std::vector<std::int32_t>& w, std::uint64_t i, const format_profile& p, std::int32_t te) {
    const std::int32_t tested = p.end_tested == end_tested_duration::first ? w[i] : w[i + 1];
    return tested > te || w[i + 1] == 0;
}

TEST(PairBlocks, MatchPairsTakenOneAtATime) {
    std::mt19937 random(99);
    const format_profile shapes[] = {shape(end_tested_duration::second, 8), shape(end_tested_duration::first, 4)};
    for (int trial = 0; trial < 4000; ++trial) {
        const format_profile& p = shapes[trial % 2];
        // Thresholds around the durations, sometimes wrapped negative; a few
        // pairs end the frame.
        const std::int32_t tb = static_cast<std::int32_t>(random() % 4000) - (trial % 7 == 0 ? 3000 : 0);
        const std::int32_t te = static_cast<std::int32_t>(2u * static_cast<std::uint32_t>(tb));
        std::vector<std::int32_t> w(1 + 2 * 2100);
        for (auto& d : w) d = static_cast<std::int32_t>(random() % 3000) + 1 - (random() % 50 == 0 ? 4000 : 0);
        for (int k = random() % 3; k > 0; --k) w[1 + random() % 4190] = random() % 2 ? 0 : INT32_MAX;

        const unsigned start_groups = random() % 2 ? random() % 257 : 0;
        std::vector<std::uint32_t> groups(kMaxGroups, 0xDEAD);
        unsigned group_count = start_groups;
        frame_stats s;
        std::string text(2600, '\0');
        char* cursor = text.data();
        const std::uint64_t end = walk_blocks(reinterpret_cast<const unsigned char*>(w.data()), p.first_pair, p, tb, te,
                                              cursor, groups.data(), group_count, s);
        text.resize(static_cast<std::size_t>(cursor - text.data()));

        ASSERT_EQ((end - p.first_pair) % 16, 0u);
        for (std::uint64_t i = p.first_pair; i < end; i += 2) ASSERT_FALSE(ends_frame(w, i, p, te)) << i;
        // It stopped where it had to: at a block with an ending pair, or one
        // whose groups would pass the limit.
        bool block_ends = group_count + 8 / p.group_width > kMaxGroups;
        for (std::uint64_t i = end; i < end + 16; i += 2) block_ends |= ends_frame(w, i, p, te);
        ASSERT_TRUE(block_ends) << "stopped early at " << end;

        const pair_reading expected = one_at_a_time(w, p.first_pair, end, p, tb);
        ASSERT_EQ(text, expected.text);
        ASSERT_EQ(std::vector<std::uint32_t>(groups.begin() + start_groups, groups.begin() + group_count),
                  expected.groups);
        EXPECT_EQ(s.sum_first, expected.s.sum_first);
        EXPECT_EQ(s.sum_on, expected.s.sum_on);
        EXPECT_EQ(s.sum_off, expected.s.sum_off);
        EXPECT_EQ(s.n_all, expected.s.n_all);
        EXPECT_EQ(s.n_on, expected.s.n_on);
    }
}

}  // namespace
