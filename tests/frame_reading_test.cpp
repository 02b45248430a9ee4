// The frame reading against the rules taken one pair at a time, on random
// frames of both shapes (second or first duration end-tested, groups of 8 or
// 4): the same bits, groups, sums, end and last pair, with or without the
// eight-pair block path.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "capture/layout.h"
#include "passes/frame_slicer.h"

namespace {

format_profile shape(end_tested_duration end, unsigned width, std::uint32_t multiplier, std::int32_t divisor) {
    return format_profile{.name = "X",
                          .letter = 'X',
                          .colour = "",
                          .header = "",
                          .anchor = nullptr,
                          .walk_end = "",
                          .first_pair = 1 + (width == 8 ? 2u : 0u),
                          .reference = 1,
                          .tb_multiplier = multiplier,
                          .tb_divisor = divisor,
                          .end_tested = end,
                          .group_width = width,
                          .groups_per_space = 1,
                          .tail_words = {},
                          .tail_word_count = 0};
}

struct model_reading {
    std::string bits;
    std::vector<std::uint32_t> groups;
    frame_stats stats;
    frame_end end;
    std::int32_t end_duration = 0;
    std::uint32_t end_pair = 0;
};

// The frame rules, one pair at a time, in 64-bit arithmetic reduced to 32
// bits where the rules wrap.
model_reading model(const std::vector<std::int32_t>& w, const format_profile& p) {
    model_reading m;
    const auto wrap = [](std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); };
    const std::int32_t tb = wrap(std::int64_t{w[p.reference]} * p.tb_multiplier) / p.tb_divisor;
    const std::int32_t te = wrap(2 * std::int64_t{tb});
    std::uint32_t group = 0;
    unsigned bits = 0;
    for (std::uint32_t i = p.first_pair;; i += 2) {
        m.end_pair = i;
        const std::int32_t tested = p.end_tested == end_tested_duration::first ? w[i] : w[i + 1];
        if (tested > te) {
            m.end = frame_end::long_duration;
            m.end_duration = tested;
            return m;
        }
        if (w[i + 1] == 0) {
            m.end = frame_end::zero;
            return m;
        }
        const bool one = w[i + 1] > tb;
        m.bits += one ? '1' : '0';
        group |= std::uint32_t{one} << bits;
        m.stats.sum_first += static_cast<std::uint32_t>(w[i]);
        (one ? m.stats.sum_on : m.stats.sum_off) += static_cast<std::uint32_t>(w[i + 1]);
        (one ? m.stats.n_on : m.stats.n_off) += 1;
        ++m.stats.n_all;
        if (++bits == p.group_width) {
            m.bits += ' ';
            m.groups.push_back(group);
            group = 0;
            bits = 0;
            if (m.groups.size() == kMaxGroups) {
                m.end = frame_end::group_limit;
                return m;
            }
        }
    }
}

TEST(FrameReading, MatchesTheRulesTakenOnePairAtATime) {
    std::mt19937 random(99);
    const format_profile shapes[] = {shape(end_tested_duration::second, 8, 2, 1),
                                     shape(end_tested_duration::first, 4, 1, 3),
                                     shape(end_tested_duration::second, 8, 4, 1)};
    std::vector<std::int32_t> w(kFrameSpanWords);
    std::vector<unsigned char> bytes(4 * kFrameSpanWords);
    std::string text(4000, '\0');
    for (int trial = 0; trial < 6000; ++trial) {
        const format_profile& p = shapes[trial % 3];
        // Durations around the thresholds, sometimes far over them, sometimes
        // negative or wrapping; a few zeros.
        const std::uint32_t spread = 1u << (random() % 31);
        for (auto& d : w) d = static_cast<std::int32_t>(random() % (trial % 5 == 0 ? spread : 3000u)) + 1;
        w[p.reference] = static_cast<std::int32_t>(random() % 1500) + (trial % 11 == 0 ? 0x30000000 : 1);
        if (trial % 13 == 0) w[p.reference] = -static_cast<std::int32_t>(random() % 100);
        for (int k = static_cast<int>(random() % 4); k > 0; --k)
            w[p.first_pair + random() % (kFrameSpanWords - 8)] = random() % 2 ? 0 : INT32_MAX;
        for (std::size_t i = 0; i < w.size(); ++i) store_word(bytes.data() + 4 * i, static_cast<std::uint32_t>(w[i]));

        frame_reading frame;
        char* const start = text.data();
        const char* end = read_frame(bytes.data(), p, frame, start);
        const model_reading m = model(w, p);
        ASSERT_EQ(std::string(start, static_cast<std::size_t>(end - start)), m.bits) << "trial " << trial;
        ASSERT_EQ(std::vector<std::uint32_t>(frame.groups, frame.groups + frame.group_count), m.groups);
        EXPECT_EQ(frame.stats.sum_first, m.stats.sum_first);
        EXPECT_EQ(frame.stats.sum_on, m.stats.sum_on);
        EXPECT_EQ(frame.stats.sum_off, m.stats.sum_off);
        EXPECT_EQ(frame.stats.n_all, m.stats.n_all);
        EXPECT_EQ(frame.stats.n_on, m.stats.n_on);
        EXPECT_EQ(frame.stats.n_off, m.stats.n_off);
        EXPECT_EQ(frame.end, m.end);
        EXPECT_EQ(frame.end_duration, m.end_duration);
        EXPECT_EQ(frame.end_pair, m.end_pair);
        EXPECT_EQ(frame.words_read, m.end_pair + 2);
    }
}

}  // namespace
