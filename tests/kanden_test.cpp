// The KANDEN pass (mode 1): bytes from the marks of the data pairs.
#include <gtest/gtest.h>

#include "tests/frames.h"
#include "tests/harness.h"

namespace {

const std::string kExampleLine = "K : [ 1] : 01000000 00000100 : 0220 ";
const std::string kExampleTail = ": 00000D00 00000680 000001A0 000004E0 000001A0 00008000";

const std::string kThreeBytes =
    "0x2000 0xD00 0x680" + pairs("0x1A0", "0x1A0", "0x4E0", "01000000 00000100 11010101") + " 0x1A0 0x8000";

// R = 0x100: Tb = 0x200, Te = 0x400.
const std::string kEndsOnZero = "0 0 0" + pairs("0x100", "0x100", "0x400", "00000001") + "\n";

INSTANTIATE_TEST_SUITE_P(
    KandenFrames, Golden,
    ::testing::Values(
        golden_case{"worked example", kKandenRecord, {"cap.dat", "1"}, kExampleLine + "\n", notes(3, 1), 0},
        golden_case{"worked example verbose",
                    kKandenRecord,
                    {"cap.dat", "1", "v"},
                    kKandenHeader + kExampleLine + kExampleTail + "\n",
                    notes(4, 1),
                    0},
        golden_case{"odd byte count ends without a space",
                    kThreeBytes,
                    {"cap.dat", "1"},
                    "K : [ 1] : 01000000 00000100 11010101 : 0220 AB\n",
                    notes(3, 1),
                    0},
        golden_case{"odd byte count runs into the tail",
                    kThreeBytes,
                    {"cap.dat", "1", "v"},
                    kKandenHeader + "K : [ 1] : 01000000 00000100 11010101 : 0220 AB" + kExampleTail + "\n",
                    notes(4, 1),
                    0},
        golden_case{"b equal to Tb is 0, b equal to Te is 1 and goes on",
                    ("0 0 0 0x100 0x200 0x100 0x400" + pairs("0x100", "0x100", "0x300", "000000") + " 0x100 0x401"),
                    {"cap.dat", "1"},
                    "K : [ 1] : 01000000 : 02\n",
                    notes(3, 1),
                    0},
        golden_case{"12 bits leave no space before the colon",
                    ("0 0 0" + pairs("0x100", "0x100", "0x300", "01000000 0100")),
                    {"cap.dat", "1"},
                    "K : [ 1] : 01000000 0100: 02\n",
                    notes(3, 1),
                    0},
        golden_case{"all ones show the plain sums",
                    ("0 0xD00 0x680" + pairs("0x1A0", "0x1A0", "0x4E0", "11111111") + " 0x1A0 0x8000"),
                    {"cap.dat", "1", "v"},
                    kKandenHeader + "K : [ 1] : 11111111 : FF: 00000D00 00000680 00000D00 00002700 00000000 00008000\n",
                    notes(4, 1),
                    0},
        golden_case{"zero reference prints nothing", "0 0 0 0 5", {"cap.dat", "1", "v"}, "", notes(4, 1), 0},
        golden_case{"frame ending on a zero shows an earlier last_separate",
                    (kKandenRecord + kEndsOnZero),
                    {"cap.dat", "1", "v"},
                    kKandenHeader + kExampleLine + kExampleTail + "\n" +
                        "K : [ 2] : 00000001 : 80: 00000000 00000000 00000100 00000400 00000100 00008000\n",
                    notes(4, 2),
                    0},
        // A negative reference makes Te negative: the zero second duration
        // of record 2 is then a long duration, and last_separate becomes 0.
        golden_case{"negative Te turns a zero into last_separate",
                    (kKandenRecord + "0 0 0 -1 0\n" + kEndsOnZero),
                    {"cap.dat", "1", "v"},
                    kKandenHeader + kExampleLine + kExampleTail + "\n" +
                        "K : [ 3] : 00000001 : 80: 00000000 00000000 00000100 00000400 00000100 00000000\n",
                    notes(4, 3),
                    0},
        // A first pair that ends the frame prints nothing and leaves the
        // header for the next frame, but sets last_separate.
        golden_case{"first pair ending the frame keeps the header",
                    ("0 0 0 0x100 0x1234\n" + kEndsOnZero),
                    {"cap.dat", "1", "v"},
                    kKandenHeader + "K : [ 2] : 00000001 : 80: 00000000 00000000 00000100 00000400 00000100 00001234\n",
                    notes(4, 2),
                    0},
        // R = 0x30000000: Te = 4 × R wraps to -0x40000000, so 0x80000000 is
        // no long duration, 5 is one, and the sums wrap too.
        golden_case{"thresholds and sums wrap past 2^31",
                    ("0 0 0" + pairs("0x30000000", "0x80000000", "1", "00000000") + " 0 5"),
                    {"cap.dat", "1", "v"},
                    kKandenHeader + "K : [ 1] : 00000000 : 00: 00000000 00000000 80000000 00000000 00000000 00000005\n",
                    notes(4, 1),
                    0},
        golden_case{
            "a MITSUBISHI record is no KANDEN frame", kMitsubishiRecord, {"cap.dat", "1", "v"}, "", notes(4, 1), 0}),
    golden_name);

}  // namespace
