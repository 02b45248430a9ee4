// The output writer: its conversions agree with printf's, output larger than
// its buffer arrives whole, and a failed write is remembered.
#include <gtest/gtest.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "output/writer.h"
#include "tests/harness.h"

namespace {

// The writer's own conversions agree with printf's on random and edge values.
TEST(Writer, ConversionsMatchPrintf) {
    std::string expected;
    std::mt19937_64 random(12345);
    std::vector<std::uint64_t> values = {0, 1, 0xF, 0x10, 0xFF, 0x100, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, UINT64_MAX};
    for (int i = 0; i < 2000; ++i) values.push_back(random() >> (random() % 64));
    char text[128];
    for (std::uint64_t v : values) {
        auto w = static_cast<std::uint32_t>(v);
        std::snprintf(text, sizeof text, "%08X|%02X|%01X|%2X|%" PRIX64 "|%" PRId64 "|%" PRId64 "\n", w, w, w, w, v,
                      static_cast<std::int64_t>(v), static_cast<std::int64_t>(static_cast<std::int32_t>(w)));
        expected += text;
    }
    std::string got = written([&](out_writer& out) {
        for (std::uint64_t v : values) {
            auto w = static_cast<std::uint32_t>(v);
            char* p = put_hex8(out_room(out, 128), w);
            p = put_hex(put_text(p, "|"), w, 2, '0');
            p = put_hex(put_text(p, "|"), w, 1, '0');
            p = put_hex(put_text(p, "|"), w, 2, ' ');
            p = put_hex(put_text(p, "|"), v, 1, '0');
            out_commit(out, put_text(p, "|"));
            out_dec(out, static_cast<std::int64_t>(v));
            out_char(out, '|');
            out_dec(out, static_cast<std::int32_t>(w));
            out_char(out, '\n');
        }
    });
    EXPECT_EQ(got, expected);
}

// Output far larger than the buffer arrives whole and in order.
TEST(Writer, OutputLargerThanTheBufferArrivesWhole) {
    std::string expected;
    for (int i = 0; i < 100000; ++i) expected += std::to_string(i) + (i % 7 == 0 ? "\n" : " ");
    std::string got = written([](out_writer& out) {
        for (int i = 0; i < 100000; ++i) {
            out_dec(out, i);
            out_char(out, i % 7 == 0 ? '\n' : ' ');
        }
    });
    EXPECT_EQ(got, expected);
}

#if !defined(_WIN32)  // a device that is always full
TEST(Writer, FailedWriteIsRemembered) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    static out_writer out;
    out_init(out, fileno(full));
    out_text(out, "lost");
    EXPECT_FALSE(out_flush(out));
    EXPECT_EQ(out.error, ENOSPC);
    out_text(out, "also lost");
    EXPECT_FALSE(out_flush(out));
    std::fclose(full);
}
#endif

}  // namespace
