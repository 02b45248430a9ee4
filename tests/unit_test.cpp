// Unit checks of the pieces the golden tests cannot reach one by one: the mode
// conversion, word reads at the end of the data, the writer's conversions and
// a short read.
#include <gtest/gtest.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "passes/modes.h"
#include "capture/image.h"
#include "output/writer.h"
#include "tests/harness.h"

namespace {

struct mode_case {
    const char* text;
    std::int32_t mode;
};

void PrintTo(const mode_case& c, std::ostream* os) { *os << '"' << c.text << "\" -> " << c.mode; }

class ParseMode : public ::testing::TestWithParam<mode_case> {};

TEST_P(ParseMode, ReadsAsModularAtoi) { EXPECT_EQ(parse_mode(GetParam().text), GetParam().mode) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(Texts, ParseMode,
                         ::testing::Values(mode_case{"", 0}, mode_case{"x", 0}, mode_case{"3abc", 3},
                                           mode_case{" \t\n\v\f\r2", 2}, mode_case{"+1", 1}, mode_case{"-1", -1},
                                           mode_case{"-0", 0}, mode_case{"4294967295", -1}, mode_case{"4294967296", 0},
                                           mode_case{"4294967299", 3}, mode_case{"2147483648", INT32_MIN},
                                           mode_case{"-2147483648", INT32_MIN}, mode_case{"99999999999", 1215752191},
                                           mode_case{"-4294967297", -1}, mode_case{"- 1", 0}, mode_case{"--1", 0},
                                           mode_case{"+-1", 0}, mode_case{"12 3", 12},
                                           mode_case{"18446744073709551619", 3}, mode_case{"-18446744073709551617", -1},
                                           mode_case{"\xA0"
                                                     "1",
                                                     0}));

struct word_case {
    std::uint64_t size;
    std::uint64_t index;
    std::uint32_t word;
};

void PrintTo(const word_case& c, std::ostream* os) { *os << "size " << c.size << ", word " << c.index; }

class WordAtEnd : public ::testing::TestWithParam<word_case> {};

// Bytes 01 02 03 ... cut to `size`: a straddling word keeps its low bytes,
// and every word past the data reads 0, by itself and in a span.
TEST_P(WordAtEnd, ZeroBeyondTheData) {
    const unsigned char bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::FILE* file = std::tmpfile();
    ASSERT_EQ(std::fwrite(bytes, 1, GetParam().size, file), GetParam().size);
    std::fflush(file);
    capture_image image;
    ASSERT_EQ(load_capture(file, GetParam().size, image).failure, load_failure::none);
    const word_span one = image_words(image, GetParam().index, 1);
    EXPECT_EQ(static_cast<std::uint32_t>(load_word(one.words)), GetParam().word);
    EXPECT_EQ(one.delivered, 1u);
    if (GetParam().index < 4) {
        const word_span span = image_words(image, 0, kMaxSpanWords);
        EXPECT_EQ(static_cast<std::uint32_t>(load_word(span.words + 4 * GetParam().index)), GetParam().word);
        EXPECT_EQ(load_word(span.words + 4 * (kMaxSpanWords - 1)), 0);
        EXPECT_EQ(span.delivered, kMaxSpanWords);
    }
    release_capture(image);
    std::fclose(file);
}

INSTANTIATE_TEST_SUITE_P(Reads, WordAtEnd,
                         ::testing::Values(word_case{12, 0, 0x04030201}, word_case{12, 2, 0x0C0B0A09},
                                           word_case{12, 3, 0}, word_case{9, 1, 0x08070605}, word_case{9, 2, 0x09},
                                           word_case{10, 2, 0x0A09}, word_case{11, 2, 0x0B0A09}, word_case{11, 3, 0},
                                           word_case{1, 0, 0x01}, word_case{12, UINT64_C(1) << 62, 0},
                                           word_case{12, UINT64_MAX, 0}));

TEST(RecordWalk, CountsRecordsThatStartInsideTheFile) {
    const std::pair<std::uint64_t, std::uint64_t> cases[] = {
        {0, 0}, {1023, 0}, {1024, 0}, {1025, 1}, {3072, 1}, {3073, 2}, {5120, 2}, {(1ull << 32) + 1024, 1ull << 21}};
    for (auto [size, records] : cases) EXPECT_EQ(record_count(size), records) << size;
    EXPECT_EQ(record_first_word(1), 256u);
    EXPECT_EQ(record_first_word(3), 256u + 1024u);
}

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

// Modes outside the table run nothing, the edges of the table included.
TEST(ModeTable, ModesOutsideTheTableRunNothing) {
    std::FILE* file = std::tmpfile();
    const std::string bytes = capture_bytes("1 2\n");
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fflush(file);
    capture_image image;
    ASSERT_EQ(load_capture(file, bytes.size(), image).failure, load_failure::none);
    for (std::int32_t mode : {-2, 4, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(written([&](out_writer& out) { EXPECT_EQ(run_mode(mode, image, out, true), 0); }), "") << mode;
    }
    EXPECT_EQ(written([&](out_writer& out) { run_mode(0, image, out, false); }), "R : [ 1] : 00000001 00000002 \n");
    release_capture(image);
    std::fclose(file);
}

// A file that delivers fewer bytes than its measured size is a read failure,
// not a capture padded with zeros.
TEST(Load, ShortReadIsAFailure) {
    std::FILE* file = std::tmpfile();
    ASSERT_EQ(std::fwrite("0123456789", 1, 10, file), 10u);
    std::rewind(file);
    capture_image image;
    load_result r = load_capture(file, 20, image);
    EXPECT_EQ(r.failure, load_failure::read);
    EXPECT_EQ(r.error, EIO);

    std::rewind(file);
    r = load_capture(file, 10, image);
    ASSERT_EQ(r.failure, load_failure::none);
    EXPECT_EQ(image.size, 10u);
    EXPECT_EQ(load_word(image_words(image, 2, 1).words), 0x3938);
    release_capture(image);
    std::fclose(file);
}

}  // namespace
