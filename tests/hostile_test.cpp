// Hostile input, end to end: files that are not captures, captures with no 0
// in them or extreme durations, odd mode strings, and standard output that
// cannot be written. Whole stdout, stderr and status are compared.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    ::testing::Values(golden_case{"missing file", std::nullopt, {"missing.dat"}, "fopen error 2\n", "", 1},
                      golden_case{"directory", std::nullopt, {"."}, "fopen error 21\n", "", 1},
                      golden_case{"zero-byte file", "size 0", {"cap.dat"}, "malloc error 12\n", file_note(0), 2},
                      golden_case{"/dev/null",
                                  std::nullopt,
                                  {"/dev/null", "0"},
                                  "malloc error 12\n",
                                  "argc=3\nInput File /dev/null :0 \n",
                                  2},
                      golden_case{
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

INSTANTIATE_TEST_SUITE_P(
    HostileModes, Golden,
    ::testing::Values(
        golden_case{"-2147483648 runs nothing", kDumpOnly, {"cap.dat", "-2147483648"}, "", notes(3, 1), 0},
        golden_case{"99999999999 wraps outside the table", kDumpOnly, {"cap.dat", "99999999999"}, "", notes(3, 1), 0},
        golden_case{"0x3 reads as 0", kDumpOnly, {"cap.dat", "0x3"}, kDumpLine, notes(3, 1), 0},
        golden_case{"+3", kSonyRecord, {"cap.dat", "+3"}, kSonyLine, notes(3, 1), 0},
        golden_case{"leading blanks", kSonyRecord, {"cap.dat", "  3"}, kSonyLine, notes(3, 1), 0},
        golden_case{"trailing blank", kSonyRecord, {"cap.dat", "3 "}, kSonyLine, notes(3, 1), 0}),
    golden_name);

// A FIFO has no size: its seek fails, and the run ends as for a file with
// nothing to load. The test holds the FIFO open for writing, so that tavlin's
// open does not wait for a writer.
TEST(HostileFiles, FifoHasNoSize) {
    scratch_dir dir;
    const std::string fifo = dir.path_of("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const int held = open(fifo.c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    run_result r = run_tavlin(dir, {"fifo", "0"});
    close(held);
    EXPECT_EQ(r.out, "malloc error 29\n");
    EXPECT_EQ(r.err, "argc=3\nInput File fifo :-1 \n");
    EXPECT_EQ(r.status, 2);
}

// With standard output closed, the capture takes its descriptor: the output
// cannot be written there, and the run says so and fails.
TEST(HostileFiles, ClosedStandardOutputIsAWriteError) {
    scratch_dir dir;
    dir.write_capture("cap.dat", kDumpOnly);
    run_result r = run_tavlin(dir, {"cap.dat", "0"}, without_output());
    EXPECT_EQ(r.err, notes(3, 1) + "write error 9\n");
    EXPECT_EQ(r.status, 1);
}

}  // namespace
