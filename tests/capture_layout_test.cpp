// The capture layout: which records a file of each size holds, and where
// they start.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "capture/layout.h"

namespace {

TEST(RecordWalk, CountsRecordsThatStartInsideTheFile) {
    const std::pair<std::uint64_t, std::uint64_t> cases[] = {
        {0, 0}, {1023, 0}, {1024, 0}, {1025, 1}, {3072, 1}, {3073, 2}, {5120, 2}, {(1ull << 32) + 1024, 1ull << 21}};
    for (auto [size, records] : cases) EXPECT_EQ(record_count(size), records) << size;
    EXPECT_EQ(record_first_word(1), 256u);
    EXPECT_EQ(record_first_word(3), 256u + 1024u);
}

}  // namespace
