// The run: command line, mode strings, verbose switch, file sizes and every
// way a run can fail. Whole stdout, stderr and status are compared.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "tests/frames.h"
#include "tests/harness.h"

namespace {

const std::string kUsage = " TAVLIN TX9.DAT [0-3]\n    0=dump, 1=KANDEN, 2=MITSUBISHI, 3=SONY\n";

INSTANTIATE_TEST_SUITE_P(
    RunCommandLine, Golden,
    ::testing::Values(
        golden_case{"no arguments", std::nullopt, {}, kUsage, "", 1},
        golden_case{"missing file with a mode", std::nullopt, {"missing.dat", "0"}, "fopen error 2\n", "argc=3\n", 1},
        golden_case{"directory with a mode", std::nullopt, {".", "1", "v"}, "fopen error 21\n", "argc=4\n", 1},
        golden_case{"zero-byte file with a mode",
                    "size 0",
                    {"cap.dat", "0"},
                    "malloc error 12\n",
                    "argc=3\n" + file_note(0),
                    2}),
    golden_name);

// Files around the header's end: no record until one byte follows the header.
INSTANTIATE_TEST_SUITE_P(
    RunFileSizes, Golden,
    ::testing::Values(
        golden_case{"1023 bytes", "header 0x41\nsize 1023", {"cap.dat", "0"}, "", "argc=3\n" + file_note(1023), 0},
        golden_case{"1024 bytes", "header 0x41", {"cap.dat", "0"}, "", "argc=3\n" + file_note(1024), 0},
        golden_case{"1025 bytes",
                    "header 0x41\n0x7B\nsize 1025",
                    {"cap.dat", "0"},
                    "R : [ 1] : 0000007B \n",
                    "argc=3\n" + file_note(1025),
                    0},
        golden_case{"1026 bytes",
                    "0x12345678\nsize 1026",
                    {"cap.dat", "0"},
                    "R : [ 1] : 00005678 \n",
                    "argc=3\n" + file_note(1026),
                    0},
        golden_case{"no records, default passes", "header 0x41", {"cap.dat"}, "", file_note(1024), 0}),
    golden_name);

// The mode element read as atoi reads it, wrapping modulo 2^32.
INSTANTIATE_TEST_SUITE_P(
    RunModeStrings, Golden,
    ::testing::Values(
        golden_case{"no mode", kDumpOnly, {"cap.dat"}, "", notes(2, 1), 0},
        golden_case{"0", kDumpOnly, {"cap.dat", "0"}, kDumpLine, notes(3, 1), 0},
        golden_case{"x reads as 0", kDumpOnly, {"cap.dat", "x"}, kDumpLine, notes(3, 1), 0},
        golden_case{"blanks and plus", kDumpOnly, {"cap.dat", " \t+0"}, kDumpLine, notes(3, 1), 0},
        golden_case{"2^32 wraps to 0", kDumpOnly, {"cap.dat", "4294967296"}, kDumpLine, notes(3, 1), 0},
        golden_case{"2^31 runs nothing", kDumpOnly, {"cap.dat", "2147483648"}, "", notes(3, 1), 0},
        golden_case{"7 runs nothing", kDumpOnly, {"cap.dat", "7"}, "", notes(3, 1), 0},
        golden_case{"-2 runs nothing", kDumpOnly, {"cap.dat", "-2"}, "", notes(3, 1), 0},
        golden_case{"verbose has no effect on the dump", kDumpOnly, {"cap.dat", "0", "v"}, kDumpLine, notes(4, 1), 0},
        golden_case{
            "any number of further elements", kDumpOnly, {"cap.dat", "0", "a", "b", "c"}, kDumpLine, notes(6, 1), 0}),
    golden_name);

TEST(RunFailure, WriteErrorOnStandardOutputIsReported) {
    scratch_dir dir;
    dir.write_capture("cap.dat", kDumpOnly);
    run_result r = run_tavlin(dir, {"cap.dat", "0"}, {.stdout_path = "/dev/full", .stdin_text = ""});
    EXPECT_EQ(r.err, notes(3, 1) + "write error 28\n");
    EXPECT_EQ(r.status, 1);
}

TEST(RunFailure, UsageTextThatCannotBeWrittenIsReported) {
    scratch_dir dir;
    run_result r = run_tavlin(dir, {}, {.stdout_path = "/dev/full", .stdin_text = ""});
    EXPECT_EQ(r.err, "write error 28\n");
    EXPECT_EQ(r.status, 1);
}

TEST(RunFailure, UnseekableInputHasNoSize) {
    scratch_dir dir;
    run_result r = run_tavlin(dir, {"/dev/stdin"}, {.stdout_path = "", .stdin_text = "not a capture"});
    EXPECT_EQ(r.out, "malloc error 29\n");
    EXPECT_EQ(r.err, "Input File /dev/stdin :-1 \n");
    EXPECT_EQ(r.status, 2);
}

// A file over 2 GiB is measured, loaded and walked whole: its size does not
// wrap, and its last (one-byte) record is reached.
TEST(RunLargeFile, FileOverTwoGibibytesIsWalkedToItsLastRecord) {
    scratch_dir dir;
    const unsigned long long size = (1ull << 31) + 1025;
    {
        int fd = open(dir.path_of("cap.dat").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
        const char last = 0x7B;
        ASSERT_EQ(pwrite(fd, &last, 1, static_cast<off_t>(size - 1)), 1);
        close(fd);
    }
    run_result r = run_tavlin(dir, {"cap.dat", "0"});
    EXPECT_EQ(r.err, "argc=3\n" + file_note(size));
    EXPECT_EQ(r.status, 0);

    const unsigned records = (1u << 20) + 1;
    std::string expected;
    expected.reserve(records * 17);
    char line[64];
    for (unsigned k = 1; k < records; ++k) {
        std::snprintf(line, sizeof line, "R : [%2X] : \n", k);
        expected += line;
    }
    std::snprintf(line, sizeof line, "R : [%2X] : %08X \n", records, 0x7Bu);
    expected += line;
    EXPECT_TRUE(r.out == expected) << "output of " << r.out.size() << " bytes differs; expected " << expected.size();
}

}  // namespace
