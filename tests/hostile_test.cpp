// Hostile input, end to end: captures cut mid-word, with no 0 in them or of
// extreme durations. Whole stdout, stderr and status are compared. (Files
// that are no captures and outputs that cannot be written are among the ways
// a run ends, in run_test.cpp; odd mode texts are in mode_test.cpp.)
#include <gtest/gtest.h>

#include "passes/formats.h"
#include "tests/frames.h"
#include "tests/harness.h"

namespace {

// 0x80000000 everywhere: every threshold wraps to 0 (KANDEN, MITSUBISHI) or
// to -715827882 (SONY), no pair ends a frame and every bit is 0; frames run
// on to the end of the data. Sums of an odd count of 0x80000000 are
// 0x80000000, of an even count 0.
const std::string kMinWords = zero_frame(kKanden, 1, 510, ": 80000000 80000000 00000000 00000000 00000000 00000000") +
                              zero_frame(kKanden, 2, 254, ": 80000000 80000000 00000000 00000000 00000000 00000000") +
                              kMitsubishiHeader +
                              zero_frame(kMitsubishi, 1, 511, ": 80000000 00000000 80000000 00000000") +
                              zero_frame(kMitsubishi, 2, 255, ": 80000000 00000000 80000000 00000000") + kSonyHeader +
                              zero_frame(kSony, 1, 511, ": 80000000 80000000 00000000 80000000 00000000") +
                              zero_frame(kSony, 2, 255, ": 80000000 80000000 00000000 80000000 00000000");

// Six records of 0xFF bytes after a header of 0xFF: every word is -1. The
// KANDEN and MITSUBISHI frames end at their first pair (-1 is over Te); the
// SONY pass finds no gap but word 510 set in every record, and its frames of
// 0 bits run to the 256-group limit, or to the end of the data.
std::string sony_ones_frame(unsigned record, unsigned bits, const char* sum) {
    return zero_frame(kSony, record, bits, std::string(": FFFFFFFF ") + sum + " 00000000 " + sum + " 00000000");
}
const std::string kAllOnes = kSonyHeader + sony_ones_frame(1, 1024, "FFFFFC00") + sony_ones_frame(2, 1024, "FFFFFC00") +
                             sony_ones_frame(3, 1023, "FFFFFC01") + sony_ones_frame(4, 767, "FFFFFD01") +
                             sony_ones_frame(5, 511, "FFFFFE01") + sony_ones_frame(6, 255, "FFFFFF01");

INSTANTIATE_TEST_SUITE_P(
    HostileFiles, Golden,
    ::testing::Values(golden_case{
                          "one byte", "header 0xFF\nsize 1", {"cap.dat", "-1", "v"}, "", "argc=4\n" + file_note(1), 0},
                      golden_case{"length not a multiple of 4",
                                  "0x11223344 0x55667788\nsize 1031",
                                  {"cap.dat", "0"},
                                  "R : [ 1] : 11223344 00667788 \n",
                                  "argc=3\n" + file_note(1031),
                                  0},
                      golden_case{"0x80000000 everywhere",
                                  "0x80000000*512\n0x80000000*512",
                                  {"cap.dat", "-1", "v"},
                                  kKandenHeader + kMinWords,
                                  notes(4, 2),
                                  0},
                      golden_case{"0x7FFFFFFF everywhere: every frame ends at once",
                                  "0x7FFFFFFF*512\n0x7FFFFFFF*512",
                                  {"cap.dat", "-1", "v"},
                                  "",
                                  notes(4, 2),
                                  0},
                      golden_case{"0xFF bytes everywhere",
                                  "header 0xFF\n" + repeated("0xFFFFFFFF*512\n", 6),
                                  {"cap.dat", "-1", "v"},
                                  kAllOnes,
                                  notes(4, 6),
                                  0}),
    golden_name);

}  // namespace
