// What the three format passes share: the default mode's pass order, headers
// once per pass, lines left open by frames without a whole group, the group
// limit, and captures of random bytes.
#include "tests/frames.h"

#include <gtest/gtest.h>

#include <random>

#include "fuzz/output_check.h"
#include "passes/formats.h"
#include "tests/harness.h"

namespace {

// A SONY, a KANDEN and a MITSUBISHI record; every pass reads all three its
// own way. The SONY pass stops at record 2, which has no long gap and a 0 in
// word 510.
const std::string kThree = kSonyRecord + kKandenRecord + kMitsubishiRecord;

const std::string kThreeLines =
    "K : [ 1] : 00000000 000: 00\n"
    "K : [ 2] : 01000000 00000100 : 0220 \n"
    "M : [ 1] : 00000000 0000: 00\n"
    "M : [ 2] : 00000000 00000000 0: 0000 \n"
    "M : [ 3] : 01010010 10000011 : 4AC1 \n"
    "S : [ 1] : 1010 1001 0000 : 5 9 0 \n";

// Record 1 of KANDEN has no 1-bit and record 2 of MITSUBISHI none either, so
// their tails show the plain sums.
const std::string kThreeVerbose =
    kKandenHeader +
    "K : [ 1] : 00000000 000: 00: 00000960 00000258 00002328 00000000 000019C8 00020000\n"
    "K : [ 2] : 01000000 00000100 : 0220 : 00000D00 00000680 000001A0 000004E0 000001A0 00008000\n" +
    kMitsubishiHeader +
    "M : [ 1] : 00000000 0000: 00: 00002C88 00000000 00001C20 00020000\n"
    "M : [ 2] : 00000000 00000000 0: 0000 : 00002700 00000000 00002700 00008000\n"
    "M : [ 3] : 01010010 10000011 : 4AC1 : 00000100 00000600 00000300 00002000\n" +
    kSonyHeader + "S : [ 1] : 1010 1001 0000 : 5 9 0 : 00000960 00000258 000004B0 00000258 00020000\n";

// Five KANDEN bits and then a zero: a frame without a whole group.
const std::string kFiveBits = "0 0 0" + pairs("0x100", "0x100", "0x400", "10110") + "\n";

INSTANTIATE_TEST_SUITE_P(
    FramesDefaultMode, Golden,
    ::testing::Values(
        golden_case{"three passes in order", kThree, {"cap.dat"}, kThreeLines, notes(2, 3), 0},
        golden_case{"verbose headers once each", kThree, {"cap.dat", "-1", "v"}, kThreeVerbose, notes(4, 3), 0}),
    golden_name);

INSTANTIATE_TEST_SUITE_P(
    FramesOpenLines, Golden,
    ::testing::Values(golden_case{"the next record continues the line",
                                  kFiveBits + kKandenRecord,
                                  {"cap.dat", "1"},
                                  "K : [ 1] : 10110K : [ 2] : 01000000 00000100 : 0220 \n",
                                  notes(3, 2),
                                  0},
                      golden_case{"the output may end without a line end",
                                  kFiveBits,
                                  {"cap.dat", "1", "v"},
                                  kKandenHeader + "K : [ 1] : 10110",
                                  notes(4, 1),
                                  0},
                      // KANDEN prints nothing for the MITSUBISHI record, so the next pass's
                      // header continues KANDEN's open line.
                      golden_case{"the next pass continues the line",
                                  kFiveBits + kMitsubishiRecord,
                                  {"cap.dat", "-1", "v"},
                                  kKandenHeader + "K : [ 1] : 10110" + kMitsubishiHeader +
                                      "M : [ 2] : 01010010 10000011 : 4AC1 : 00000100 00000600 00000300 00002000\n",
                                  notes(4, 2),
                                  0}),
    golden_name);

// Frame lines of KANDEN over records of ones (R = 1, every bit 0), with
// their tails.
std::string ones_frame(unsigned record, unsigned bits) {
    char tail[96];
    std::snprintf(tail, sizeof tail, ": 00000001 00000001 %08X 00000000 %08X 00008000", bits, bits);
    return zero_frame(kKanden, record, bits, tail);
}

// The frame of record 2 reaches the limit of 256 groups (2048 pairs, eight
// records of words) and ends there though more pairs follow; the later ones
// run past the end of the data and end on its zeros. None of them changes
// the last_separate that record 1 left.
TEST(FrameLimits, FramesEndAtTheGroupLimitOrPastTheData) {
    std::string description = kKandenRecord;
    for (int i = 0; i < 9; ++i) description += "1*512\n";
    const std::string line1 =
        "K : [ 1] : 01000000 00000100 : 0220 : 00000D00 00000680 000001A0 000004E0 000001A0 00008000\n";
    std::string expected = kKandenHeader + line1 + ones_frame(2, 2048);
    // Record k (3 to 10) has 512 × (11 - k) - 3 words from its word 3 on,
    // the last of them a first duration whose second lies past the data.
    for (unsigned k = 3; k <= 10; ++k) expected += ones_frame(k, 256 * (11 - k) - 2);
    golden_case c{"group limit", description, {"cap.dat", "1", "v"}, expected, notes(4, 10), 0};
    check_golden(c);
}

// The column headers: every heading at its column, counted from 0, and the
// line end after the last.
TEST(FrameHeaders, HeadingsStandAtTheirColumns) {
    const struct {
        const format_profile* profile;
        std::vector<std::pair<const char*, std::size_t>> columns;
    } cases[] = {
        {&kKanden, {{"SPACE1", 62}, {"MARK1", 71}, {"SPACE", 80}, {"ON", 89}, {"OFF", 98}, {"SEPARATE\n", 106}}},
        {&kMitsubishi, {{"SPACE", 39}, {"ON", 48}, {"OFF", 57}, {"SEPARATE\n", 65}}},
        {&kSony, {{"SPACE1", 38}, {"MARK", 47}, {"ON", 56}, {"OFF", 65}, {"SEPARATE\n", 73}}},
    };
    for (const auto& c : cases) {
        std::string expected;
        for (const auto& [heading, column] : c.columns) {
            expected.resize(column, ' ');
            expected += heading;
        }
        EXPECT_EQ(std::string(c.profile->header), expected) << c.profile->letter;
    }
}

// Captures of random bytes, whole and partial records, with and without
// verbose: no crash and no sanitizer report (both would change stderr or the
// status), and the default mode prints exactly modes 1, 2 and 3 one after
// the other.
TEST(RandomCaptures, DefaultModeIsTheThreePassesInTurn) {
    std::mt19937 random(20261209);
    scratch_dir dir;
    for (int round = 0; round < 12; ++round) {
        const std::size_t size = 1024 + random() % (6 * 2048);
        std::string bytes(size, '\0');
        // Small durations, so that frames run for a while, mixed with any
        // 32-bit pattern.
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i % 4 == 0 || round % 3 == 0 ? random() : random() % 3 == 0 ? random() : 0);
        dir.write_bytes("cap.dat", bytes);
        for (const char* verbose : {"", "v"}) {
            SCOPED_TRACE("round " + std::to_string(round) + (*verbose ? " verbose" : ""));
            const std::vector<unsigned char> capture(bytes.begin(), bytes.end());
            std::string separate;
            for (const char* mode : {"1", "2", "3"}) {
                std::vector<std::string> args = {"cap.dat", mode};
                if (*verbose) args.push_back(verbose);
                run_result r = run_tavlin(dir, args);
                ASSERT_EQ(r.status, 0) << r.err;
                ASSERT_EQ(r.err, "argc=" + std::to_string(args.size() + 1) + "\n" + file_note(size));
                EXPECT_EQ(check_output(std::string(1, "KMS"[*mode - '1']), *verbose, capture, r.out), "");
                separate += r.out;
            }
            std::vector<std::string> args = {"cap.dat", "-1"};
            if (*verbose) args.push_back(verbose);
            run_result all = run_tavlin(dir, args);
            EXPECT_EQ(all.status, 0);
            EXPECT_EQ(all.out, separate);
            EXPECT_EQ(check_output("KMS", *verbose, capture, all.out), "");
        }
    }
}

}  // namespace
