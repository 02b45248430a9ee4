// The SONY pass (mode 3): the long-gap search, four-bit groups from the
// spaces, and the early end of the walk.
#include <gtest/gtest.h>

#include "tests/frames.h"
#include "tests/harness.h"

namespace {

const std::string kCopy = "0x960" + pairs("0x258", "0x258", "0x4B0", "1010 1001 0000");
const std::string kLine = "S : [ 1] : 1010 1001 0000 : 5 9 0 ";
const std::string kTail = ": 00000960 00000258 000004B0 00000258 00020000";
// The tail of a frame that ended on a zero before any long duration.
const std::string kTailNoSeparate = ": 00000960 00000258 000004B0 00000258 00000000";

// A record of 26 words (word 0 and one copy) with word 510 set: no long gap.
std::string without_gap(const char* word0) { return std::string(word0) + " " + kCopy + " 0*484 1 0\n"; }

INSTANTIATE_TEST_SUITE_P(
    SonyFrames, Golden,
    ::testing::Values(
        golden_case{"worked example", kSonyRecord, {"cap.dat", "3"}, kLine + "\n", notes(3, 1), 0},
        golden_case{"worked example verbose",
                    kSonyRecord,
                    {"cap.dat", "3", "v"},
                    kSonyHeader + kLine + kTail + "\n",
                    notes(4, 1),
                    0},
        golden_case{"gap of exactly 65536 is no long gap",
                    "0x50 0x100 65536 0x100 0x20000 " + kCopy + " 0x20000",
                    {"cap.dat", "3"},
                    kLine + "\n",
                    notes(3, 1),
                    0},
        golden_case{"long duration at an odd position is no gap",
                    "0x50 0x30000 0x100 0x100 0x20000 " + kCopy,
                    {"cap.dat", "3"},
                    kLine + "\n",
                    notes(3, 1),
                    0},
        golden_case{"gap in word 2",
                    "0x50 0x960 0x20000 " + kCopy + " 0x20000",
                    {"cap.dat", "3", "v"},
                    kSonyHeader + kLine + kTail + "\n",
                    notes(4, 1),
                    0},
        golden_case{"no gap and word 510 set: decoded from the start",
                    without_gap("0x50"),
                    {"cap.dat", "3", "v"},
                    kSonyHeader + kLine + kTailNoSeparate + "\n",
                    notes(4, 1),
                    0},
        golden_case{"word 0 of 0 does not empty the record",
                    without_gap("0"),
                    {"cap.dat", "3", "v"},
                    kSonyHeader + kLine + kTailNoSeparate + "\n",
                    notes(4, 1),
                    0},
        golden_case{"an all-zero record ends the pass",
                    kSonyRecord + "0\n" + kSonyRecord,
                    {"cap.dat", "3"},
                    kLine + "\n",
                    notes(3, 3),
                    0},
        golden_case{
            "a first record of zeros prints nothing", "0\n" + kSonyRecord, {"cap.dat", "3", "v"}, "", notes(4, 2), 0},
        // Word 511 is the reference and the pairs start at the next record's
        // word 0; that record's own gap (word 24) is followed by zeros.
        golden_case{"gap in word 510 continues into the next record",
                    "0x50 0*509 0x20000 0x960\n" + pairs("0x258", "0x258", "0x4B0", "1010 1001 0000") + " 0x20000",
                    {"cap.dat", "3", "v"},
                    kSonyHeader + kLine + kTail + "\n",
                    notes(4, 2),
                    0},
        golden_case{"13 bits leave the last bit out of the groups",
                    "0x50 0x960 0x20000 " + kCopy + " 0x258 0x4B0 0x20000",
                    {"cap.dat", "3"},
                    "S : [ 1] : 1010 1001 0000 1: 5 9 0 \n",
                    notes(3, 1),
                    0},
        // Te = 2 × (0x960 ÷ 3) = 0x640; 0x641 ends the frame at once, and the
        // walk goes on.
        golden_case{"first mark over Te prints nothing, the walk goes on",
                    "0x50 0x960 0x20000 0x960 0x641 0x258\n" + kSonyRecord,
                    {"cap.dat", "3"},
                    "S : [ 2] : 1010 1001 0000 : 5 9 0 \n",
                    notes(3, 2),
                    0},
        // R = -10: Tb truncates to -3 (not -4), so Te = -6 and a mark of -7
        // goes on; the zero mark after the frame exceeds Te and ends it.
        golden_case{"negative reference truncates toward zero",
                    "0x50 0x960 0x20000 -10 -7 1 -7 -5 -7 1 -7 -5",
                    {"cap.dat", "3", "v"},
                    kSonyHeader + "S : [ 1] : 1010 : 5 : FFFFFFF6 FFFFFFF9 00000001 FFFFFFFB 00000000\n",
                    notes(4, 1),
                    0}),
    golden_name);

}  // namespace
