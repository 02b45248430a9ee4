// The MITSUBISHI pass (mode 2): bytes from the marks, pairs from word 1.
#include <gtest/gtest.h>

#include "tests/frames.h"
#include "tests/harness.h"

namespace {

const std::string kExampleLine = "M : [ 1] : 01010010 10000011 : 4AC1 ";
const std::string kExampleTail = ": 00000100 00000600 00000300 00002000";

INSTANTIATE_TEST_SUITE_P(
    MitsubishiFrames, Golden,
    ::testing::Values(
        golden_case{"worked example", kMitsubishiRecord, {"cap.dat", "2"}, kExampleLine + "\n", notes(3, 1), 0},
        golden_case{"worked example verbose",
                    kMitsubishiRecord,
                    {"cap.dat", "2", "v"},
                    kMitsubishiHeader + kExampleLine + kExampleTail + "\n",
                    notes(4, 1),
                    0},
        // R = 0x100: Tb = 0x400, Te = 0x800.
        golden_case{"b equal to Tb is 0, b equal to Te is 1 and goes on",
                    "0 0x100 0x400 0x100 0x800" + pairs("0x100", "0x100", "0x300", "000000") + " 0x100 0x801",
                    {"cap.dat", "2"},
                    "M : [ 1] : 01000000 : 02\n",
                    notes(3, 1),
                    0},
        // A zero first duration is counted like any other: the mean of the
        // first durations is 7 × 0x100 ÷ 8.
        golden_case{"zero first duration does not end the frame",
                    "0 0x100 0x300 0x100 0x600 0x100 0x300 0 0x300" + pairs("0x100", "0x300", "0x600", "0000") +
                        " 0x100 0x2000",
                    {"cap.dat", "2", "v"},
                    kMitsubishiHeader + "M : [ 1] : 01000000 : 02: 000000E0 00000600 00000300 00002000\n",
                    notes(4, 1),
                    0},
        // R = 0x10000000: Te = 8 × R wraps to 0x80000000, below every other
        // value, so 5 ends the first frame and becomes last_separate.
        golden_case{"Te wrapping past 2^31 shows in last_separate",
                    "0 0x10000000 5\n0" + pairs("0x100", "0x300", "0x600", "01000000"),
                    {"cap.dat", "2", "v"},
                    kMitsubishiHeader + "M : [ 2] : 01000000 : 02: 00000100 00000600 00000300 00000005\n",
                    notes(4, 2),
                    0}),
    golden_name);

}  // namespace
