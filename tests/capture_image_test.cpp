// The capture image: words read at and past the end of the data, alone and
// in spans, and a file that delivers less than its size.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

#include "capture/image.h"

namespace {

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
