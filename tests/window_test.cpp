// The window over a capture file: every word read through it, in any order,
// is the word in the file; a read that fails part-way stops the passes without
// printing what could not be read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "capture/image.h"
#include "passes/dump.h"
#include "passes/kanden.h"
#include "tests/harness.h"

namespace {

// A file of `size` bytes of a fixed pseudo-random pattern, and its bytes.
struct pattern_file {
    scratch_dir dir;
    std::vector<unsigned char> bytes;
    std::FILE* file = nullptr;

    explicit pattern_file(std::size_t size) : bytes(size) {
        std::mt19937 random(7);
        for (auto& b : bytes) b = static_cast<unsigned char>(random() % 3 == 0 ? 0 : random());
        dir.write_bytes("cap.dat", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        file = std::fopen(dir.path_of("cap.dat").c_str(), "rb");
    }
    ~pattern_file() { std::fclose(file); }

    // Word `index` as the file holds it, 0 past the end, high bytes 0 where
    // the word straddles the end.
    std::int32_t word(std::uint64_t index) const {
        std::uint32_t v = 0;
        for (std::uint64_t b = 0; b < 4; ++b)
            if (index < bytes.size() / 4 + 1 && 4 * index + b < bytes.size())
                v |= std::uint32_t{bytes[4 * index + b]} << (8 * b);
        return static_cast<std::int32_t>(v);
    }
};

// Words read forward, backward, in random jumps and at the end all match the
// file, across several window lengths; so do the spans the dump and the
// frames take.
TEST(Window, EveryReadMatchesTheFile) {
    pattern_file f((std::size_t{5} << 20) + 7);
    capture_image image;
    ASSERT_EQ(load_capture(f.file, f.bytes.size(), image).failure, load_failure::none);
    const std::uint64_t words = f.bytes.size() / 4 + 3;

    std::vector<std::uint64_t> order;
    for (std::uint64_t i = 0; i < words; ++i) order.push_back(i);
    for (std::uint64_t i = words; i-- > 0;) order.push_back(i);
    std::mt19937_64 random(11);
    for (int i = 0; i < 20000; ++i) order.push_back(random() % words);
    for (std::uint64_t i : order) ASSERT_EQ(image_word(image, i), f.word(i)) << "word " << i;

    for (int i = 0; i < 2000; ++i) {
        const std::uint64_t first = random() % words;
        const std::uint64_t count = i % 2 ? kRecordWords : 4102;
        const unsigned char* span = image_words(image, first, count);
        if (first + count > f.bytes.size() / 4) {
            EXPECT_EQ(span, nullptr) << first;
            continue;
        }
        ASSERT_NE(span, nullptr) << first;
        EXPECT_EQ(std::memcmp(span, f.bytes.data() + 4 * first, 4 * count), 0) << first;
    }
    EXPECT_FALSE(image_failed(image));
    release_capture(image);
}

// A file cut short after it was loaded: the passes print what they read
// before the cut and nothing after it, and the image reports the failure.
TEST(Window, FileCutShortStopsThePasses) {
    // Record k (from 1) holds a KANDEN frame of one byte k; the window's
    // first 2 MiB hold the header and 1023.5 records.
    std::vector<std::uint32_t> words(256 + 2048 * 512, 0);
    for (std::uint32_t k = 1; k <= 2048; ++k) {
        std::uint32_t* r = &words[256 + 512 * (k - 1)];
        r[0] = 0x2000, r[1] = 0xD00, r[2] = 0x680;
        for (int bit = 0; bit < 8; ++bit) r[3 + 2 * bit] = 0x1A0, r[4 + 2 * bit] = (k >> bit & 1) ? 0x4E0 : 0x1A0;
        r[19] = 0x1A0, r[20] = 0x8000;
    }
    scratch_dir dir;
    const std::string path = dir.path_of("cap.dat");
    const std::string_view bytes(reinterpret_cast<const char*>(words.data()), 4 * words.size());
    dir.write_bytes("cap.dat", bytes);

    for (auto pass : {dump_records, decode_kanden}) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        capture_image image;
        ASSERT_EQ(load_capture(file, 4 * words.size(), image).failure, load_failure::none);
        ASSERT_EQ(truncate(path.c_str(), 3 << 20), 0);  // cuts record 1536 after its word 255
        const std::string out = written([&](out_writer& out) { pass(image, out, false); });
        EXPECT_TRUE(image_failed(image));
        EXPECT_EQ(image.read_error, EIO);
        // Record 1536's words up to its first 0, and its frame, lie in the
        // part of it that is left.
        const std::string last = pass == dump_records ? "R : [600] : 00002000" : "K : [600] : 00000000 : 00\n";
        EXPECT_EQ(out.substr(out.rfind('\n', out.size() - 2) + 1, last.size()), last);
        EXPECT_EQ(out.back(), '\n');
        release_capture(image);
        std::fclose(file);
        dir.write_bytes("cap.dat", bytes);
    }
}

}  // namespace
