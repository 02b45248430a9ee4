// The mode element of tavlin's command line: read as atoi reads it, wrapping
// modulo 2^32, and each mode running its passes or, outside the table,
// nothing. Every mode text is checked here once, in-process and end to end.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "passes/modes.h"
#include "capture/image.h"
#include "tests/frames.h"
#include "tests/harness.h"

namespace {

// A SONY, a KANDEN and a MITSUBISHI record: each mode of the table prints
// something of its own for them. (Made when first used: the records are
// constants of another file.)
const std::string& three_records() {
    static const std::string three = kSonyRecord + kKandenRecord + kMitsubishiRecord;
    return three;
}

// What run_mode prints for `mode` on the capture of `description`.
std::string output_of_mode(std::int32_t mode, const std::string& description = three_records()) {
    const std::string bytes = capture_bytes(description);
    std::FILE* file = std::tmpfile();
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fflush(file);
    capture_image image;
    EXPECT_EQ(load_capture(file, bytes.size(), image).failure, load_failure::none);
    const std::string out = written([&](out_writer& o) { EXPECT_EQ(run_mode(mode, image, o, false), 0); });
    release_capture(image);
    std::fclose(file);
    return out;
}

struct mode_case {
    const char* text;
    std::int32_t mode;
};

void PrintTo(const mode_case& c, std::ostream* os) { *os << '"' << c.text << "\" -> " << c.mode; }

class ModeText : public ::testing::TestWithParam<mode_case> {};

TEST_P(ModeText, ReadsAsModularAtoiAndTavlinRunsThatMode) {
    const mode_case& c = GetParam();
    EXPECT_EQ(parse_mode(c.text), c.mode);
    scratch_dir dir;
    dir.write_capture("cap.dat", three_records());
    const run_result r = run_tavlin(dir, {"cap.dat", c.text});
    EXPECT_PRED_FORMAT2(same_text, r.out, output_of_mode(c.mode));
    EXPECT_EQ(r.err, notes(3, 3));
    EXPECT_EQ(r.status, 0);
}

// Named as golden cases are, for the runs under a wrapper (valgrind).
INSTANTIATE_TEST_SUITE_P(Golden, ModeText,
                         ::testing::Values(mode_case{"", 0}, mode_case{"0", 0}, mode_case{"x", 0}, mode_case{"0x3", 0},
                                           mode_case{"3abc", 3}, mode_case{" \t\n\v\f\r2", 2}, mode_case{" \t+0", 0},
                                           mode_case{"+1", 1}, mode_case{"+3", 3}, mode_case{"  3", 3},
                                           mode_case{"3 ", 3}, mode_case{"12 3", 12}, mode_case{"-1", -1},
                                           mode_case{"-0", 0}, mode_case{"-2", -2}, mode_case{"4", 4},
                                           mode_case{"7", 7}, mode_case{"4294967295", -1}, mode_case{"4294967296", 0},
                                           mode_case{"4294967299", 3}, mode_case{"2147483648", INT32_MIN},
                                           mode_case{"-2147483648", INT32_MIN}, mode_case{"99999999999", 1215752191},
                                           mode_case{"-4294967297", -1}, mode_case{"- 1", 0}, mode_case{"--1", 0},
                                           mode_case{"+-1", 0}, mode_case{"18446744073709551619", 3},
                                           mode_case{"-18446744073709551617", -1},
                                           mode_case{"\xA0"
                                                     "1",
                                                     0}));

// The modes of the table print output of their own on the three records, the default
// being mode -1, and modes outside it, the edges of the table included,
// print nothing.
TEST(ModeTable, EachModeOfTheTableHasItsOwnOutputAndOthersNone) {
    for (std::int32_t mode = -1; mode <= 3; ++mode) {
        EXPECT_NE(output_of_mode(mode), "") << mode;
        for (std::int32_t other = -1; other < mode; ++other)
            EXPECT_NE(output_of_mode(mode), output_of_mode(other)) << "modes " << mode << " and " << other;
    }
    for (std::int32_t mode : {-2, 4, INT32_MIN, INT32_MAX}) EXPECT_EQ(output_of_mode(mode), "") << mode;
    EXPECT_EQ(output_of_mode(0, "1 2\n"), "R : [ 1] : 00000001 00000002 \n");
    scratch_dir dir;
    dir.write_capture("cap.dat", three_records());
    EXPECT_PRED_FORMAT2(same_text, run_tavlin(dir, {"cap.dat"}).out, output_of_mode(-1));
}

}  // namespace
