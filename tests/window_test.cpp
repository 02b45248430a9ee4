// The window over a capture file: every span read through it, in any order,
// holds the file's words and zeros past its end; a span across the end of a
// file that shrank says how many of its words the file delivered.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "capture/image.h"
#include "tests/harness.h"

namespace {

// A file of `size` bytes of a fixed pseudo-random pattern, and its bytes.
struct pattern_file {
    scratch_dir dir;
    std::vector<unsigned char> bytes;
    std::FILE* file = nullptr;

    explicit pattern_file(std::size_t size) : bytes(size) {
        std::mt19937 random(7);
        for (auto& b : bytes) b = static_cast<unsigned char>(random() % 3 == 0 ? 0 : random() | 1);
        dir.write_bytes("cap.dat", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        file = std::fopen(dir.path_of("cap.dat").c_str(), "rb");
    }
    ~pattern_file() { std::fclose(file); }

    // Word `index` as the file holds it: 0 past the end, high bytes 0 where
    // the word straddles the end.
    std::int32_t word(std::uint64_t index) const {
        unsigned char w[4] = {};
        for (std::uint64_t b = 0; b < 4; ++b)
            if (index < bytes.size() / 4 + 1 && 4 * index + b < bytes.size()) w[b] = bytes[4 * index + b];
        return load_word(w);
    }
};

// Spans of one word, of a record and of a frame, forward, backward, at
// random and past the end, all hold the file's words.
TEST(Window, EverySpanMatchesTheFile) {
    pattern_file f((std::size_t{5} << 20) + 7);
    capture_image image;
    ASSERT_EQ(load_capture(f.file, f.bytes.size(), image).failure, load_failure::none);
    const std::uint64_t words = f.bytes.size() / 4 + 3;

    std::vector<std::uint64_t> order;
    for (std::uint64_t i = 0; i < words; i += 97) order.push_back(i);
    for (std::uint64_t i = words; i-- > 0;) order.push_back(i -= i > 97 ? 97 : 0);
    std::mt19937_64 random(11);
    for (int i = 0; i < 2000; ++i) order.push_back(random() % words);
    for (std::uint64_t i : order) ASSERT_EQ(load_word(image_words(image, i, 1).words), f.word(i)) << "word " << i;

    for (int i = 0; i < 1500; ++i) {
        const std::uint64_t first = random() % (words + 8000);
        const std::uint64_t count = i % 3 == 0 ? 1 : i % 3 == 1 ? kRecordWords : kMaxSpanWords;
        const word_span span = image_words(image, first, count);
        ASSERT_EQ(span.delivered, count) << first;
        for (std::uint64_t w = 0; w < count; ++w) ASSERT_EQ(load_word(span.words + 4 * w), f.word(first + w)) << first;
    }
    release_capture(image);
}

// The file shrinks after it was loaded, to a size inside a word: a span
// across the new end delivers the whole words before it; the half word holds
// only the bytes that were read, and the words after it zeros, not stale
// bytes of an earlier window.
TEST(Window, SpanAcrossAShrunkFileSaysWhatWasDelivered) {
    pattern_file f(std::size_t{5} << 20);
    capture_image image;
    ASSERT_EQ(load_capture(f.file, f.bytes.size(), image).failure, load_failure::none);
    const std::uint64_t cut = (std::uint64_t{3} << 20) + 6;
    std::filesystem::resize_file(f.dir.path_of("cap.dat"), cut);

    const std::uint64_t first = cut / 4 - 100;
    const word_span span = image_words(image, first, kRecordWords);
    EXPECT_EQ(span.delivered, 100u);  // words up to byte 3 MiB; the half word after it is missing
    EXPECT_EQ(span.error, EIO);
    for (std::uint64_t w = 0; w < span.delivered; ++w) ASSERT_EQ(load_word(span.words + 4 * w), f.word(first + w));
    EXPECT_EQ(load_word(span.words + 4 * span.delivered), f.word(first + span.delivered) & 0xFFFF);
    for (std::uint64_t w = span.delivered + 1; w < kRecordWords; ++w) ASSERT_EQ(load_word(span.words + 4 * w), 0) << w;

    // A span before the cut is still delivered whole, from a window that
    // is read again.
    const word_span before = image_words(image, 1000, kRecordWords);
    EXPECT_EQ(before.delivered, kRecordWords);
    EXPECT_EQ(before.error, 0);
    EXPECT_EQ(load_word(before.words), f.word(1000));
    release_capture(image);
}

}  // namespace
