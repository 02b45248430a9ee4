// The raw dump: every record's words up to its first 0, never past its end.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/frames.h"
#include "tests/harness.h"

namespace {

INSTANTIATE_TEST_SUITE_P(
    DumpRecords, Golden,
    ::testing::Values(
        golden_case{"two words", "0x123 0x456", {"cap.dat", "0"}, "R : [ 1] : 00000123 00000456 \n", notes(3, 1), 0},
        golden_case{"negative word prints its bit pattern",
                    "-1 0x80000000 5",
                    {"cap.dat", "0"},
                    "R : [ 1] : FFFFFFFF 80000000 00000005 \n",
                    notes(3, 1),
                    0},
        golden_case{"empty records keep their lines",
                    "0 7\n0\n9",
                    {"cap.dat", "0"},
                    "R : [ 1] : \nR : [ 2] : \nR : [ 3] : 00000009 \n",
                    notes(3, 3),
                    0},
        golden_case{"the header never appears",
                    "header 0x41\n0x55",
                    {"cap.dat", "0"},
                    "R : [ 1] : 00000055 \n",
                    notes(3, 1),
                    0},
        golden_case{"words after the first zero are not shown",
                    "1 2 0 3 4",
                    {"cap.dat", "0"},
                    "R : [ 1] : 00000001 00000002 \n",
                    notes(3, 1),
                    0},
        golden_case{"partial last record",
                    "1\n2 3\nsize 5124",
                    {"cap.dat", "0"},
                    "R : [ 1] : 00000001 \nR : [ 2] : 00000002 00000003 \nR : [ 3] : \n",
                    "argc=3\n" + file_note(5124),
                    0}),
    golden_name);

// Record numbers are hexadecimal, space-padded to two digits and never cut;
// each record holds its own number as its only word.
TEST(DumpNumbers, RecordNumbersInHexPaddedNeverCut) {
    std::string description, expected;
    char line[64];
    for (unsigned k = 1; k <= 256; ++k) {
        description += std::to_string(k) + "\n";
        std::snprintf(line, sizeof line, "R : [%2X] : %08X \n", k, k);
        expected += line;
    }
    scratch_dir dir;
    dir.write_capture("cap.dat", description);
    run_result r = run_tavlin(dir, {"cap.dat", "0"});
    EXPECT_NE(r.out.find("R : [10] : 00000010 \n"), std::string::npos);
    EXPECT_NE(r.out.find("R : [100] : 00000100 \n"), std::string::npos);
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 0);
}

// A record of 512 non-zero words ends its line at its own end; the next
// record's words are not read into it.
TEST(DumpNumbers, FullRecordStopsAtItsEnd) {
    std::string full = "R : [ 1] : ";
    for (int i = 0; i < 512; ++i) full += "00000001 ";
    golden_case c{"full record", "1*512\n2", {"cap.dat", "0", "v"}, full + "\nR : [ 2] : 00000002 \n", notes(4, 2), 0};
    check_golden(c);
}

// A file of 3 MiB and one byte: the last record's word 256 straddles the end
// and keeps only its low byte, though the words before it in the file, and
// those in the window before it moved, are all non-zero.
TEST(DumpNumbers, WordAtTheEndOfALargeFileKeepsOnlyItsBytes) {
    std::string description = repeated("0x11111111*512\n", 1535) + "0x22222222*256 0xCDCDCDAB 0x33333333*255\n";
    std::string expected;
    char prefix[32];
    for (unsigned k = 1; k <= 1535; ++k) {
        std::snprintf(prefix, sizeof prefix, "R : [%2X] : ", k);
        expected += prefix + repeated("11111111 ", 512) + "\n";
    }
    expected += "R : [600] : " + repeated("22222222 ", 256) + "000000AB \n";
    golden_case c{"end of a large file",
                  description + "size 3145729",
                  {"cap.dat", "0"},
                  expected,
                  "argc=3\n" + file_note(3145729),
                  0};
    check_golden(c);
}

}  // namespace
