// The run: every way it ends, its elements after the file, file sizes, a
// file cut while it is decoded, and a file over 2 GiB. Whole stdout, stderr
// and status are compared.
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/frames.h"
#include "tests/harness.h"

namespace {

const std::string kUsage = " TAVLIN TX9.DAT [0-3]\n    0=dump, 1=KANDEN, 2=MITSUBISHI, 3=SONY\n";

// Every way a run ends but one (a file cut while it is decoded, below): its
// whole standard output and error, and its status.
struct run_end {
    const char* name;
    std::optional<std::string> capture;  // cap.dat; no file at all when empty
    std::vector<std::string> args;
    run_setup setup;
    std::string out;  // empty where standard output is not caught
    std::string err;
    int status;
};

void PrintTo(const run_end& c, std::ostream* os) { *os << c.name; }

class RunEnd : public ::testing::TestWithParam<run_end> {};

TEST_P(RunEnd, PrintsWhyAndEndsWithItsStatus) {
    const run_end& c = GetParam();
    scratch_dir dir;
    if (c.capture) dir.write_capture("cap.dat", *c.capture);
    const run_result r = run_tavlin(dir, c.args, c.setup);
    EXPECT_PRED_FORMAT2(same_text, r.out, c.out);
    EXPECT_PRED_FORMAT2(same_text, r.err, c.err);
    EXPECT_EQ(r.status, c.status);
}

// A name of Cyrillic, Greek, accented and CJK letters and a character
// outside the basic plane, in UTF-8: the file opens, and the name comes
// back on standard error as it was given.
const std::string kWideName = "\xD0\xB7\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xCE\xB1-caf\xC3\xA9-\xE5\x90\x8D\xF0\x9F\x93\xA1.dat";

// Runs on a capture named kWideName.
TEST(RunName, PathOfAnyCharactersOpensAndIsNotedAsGiven) {
    scratch_dir dir;
    dir.write_capture(kWideName, kDumpOnly);
    const run_result r = run_tavlin(dir, {kWideName, "0"});
    EXPECT_PRED_FORMAT2(same_text, r.out, kDumpLine);
    EXPECT_PRED_FORMAT2(same_text, r.err, "argc=3\nInput File " + kWideName + " :3072 \n");
    EXPECT_EQ(r.status, 0);
}

// Named as golden cases are, so that every run under a wrapper (valgrind)
// takes them with the golden tables. The system's numbers differ on Windows:
// opening a directory fails with EACCES (13), a zero-byte allocation with
// ERROR_INVALID_PARAMETER (87), and NUL is its empty device.
#if defined(_WIN32)
INSTANTIATE_TEST_SUITE_P(
    Golden, RunEnd,
    ::testing::Values(
        run_end{"decoded", kDumpOnly, {"cap.dat", "0"}, {}, kDumpLine, notes(3, 1), 0},
        run_end{"usage", std::nullopt, {}, {}, kUsage, "", 1},
        run_end{"missing file", std::nullopt, {"missing.dat", "0"}, {}, "fopen error 2\n", "argc=3\n", 1},
        run_end{"directory", std::nullopt, {".", "1", "v"}, {}, "fopen error 13\n", "argc=4\n", 1},
        run_end{"zero-byte file", "size 0", {"cap.dat", "0"}, {}, "malloc error 87\n", "argc=3\n" + file_note(0), 2},
        run_end{"NUL", std::nullopt, {"NUL"}, {}, "malloc error 87\n", "Input File NUL :0 \n", 2},
        run_end{"output to NUL", kDumpOnly, {"cap.dat", "0"}, output_to("NUL"), "", notes(3, 1), 0},
        run_end{"closed standard output",
                kDumpOnly,
                {"cap.dat", "0"},
                without_output(),
                "",
                notes(3, 1) + "write error 9\n",
                1}),
    golden_name_of<run_end>);
#else
INSTANTIATE_TEST_SUITE_P(
    Golden, RunEnd,
    ::testing::Values(
        run_end{"decoded", kDumpOnly, {"cap.dat", "0"}, {}, kDumpLine, notes(3, 1), 0},
        run_end{"usage", std::nullopt, {}, {}, kUsage, "", 1},
        run_end{"usage that cannot be written", std::nullopt, {}, output_to("/dev/full"), "", "write error 28\n", 1},
        run_end{"missing file", std::nullopt, {"missing.dat", "0"}, {}, "fopen error 2\n", "argc=3\n", 1},
        run_end{"directory", std::nullopt, {".", "1", "v"}, {}, "fopen error 21\n", "argc=4\n", 1},
        run_end{"zero-byte file", "size 0", {"cap.dat", "0"}, {}, "malloc error 12\n", "argc=3\n" + file_note(0), 2},
        run_end{"/dev/null", std::nullopt, {"/dev/null"}, {}, "malloc error 12\n", "Input File /dev/null :0 \n", 2},
        // A pipe has no size: its seek fails, and the run ends as for a
        // file with nothing to load.
        run_end{"Unseekable input has no size",
                std::nullopt,
                {"/dev/stdin"},
                input_of("not a capture"),
                "malloc error 29\n",
                "Input File /dev/stdin :-1 \n",
                2},
        run_end{"output that cannot be written",
                kDumpOnly,
                {"cap.dat", "0"},
                output_to("/dev/full"),
                "",
                notes(3, 1) + "write error 28\n",
                1},
        // With standard output closed, the capture takes its descriptor.
        run_end{"closed standard output",
                kDumpOnly,
                {"cap.dat", "0"},
                without_output(),
                "",
                notes(3, 1) + "write error 9\n",
                1}),
    golden_name_of<run_end>);
#endif

#if defined(_WIN32)
// A named pipe has no size: the run ends as for a file with nothing to load,
// with ESPIPE, as a pipe does on POSIX.
TEST(RunPipe, NamedPipeHasNoSize) {
    char name[64];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\tavlin-test-%lu", GetCurrentProcessId());
    const HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    scratch_dir dir;
    const run_result r = run_tavlin(dir, {name, "0"});
    CloseHandle(pipe);
    EXPECT_PRED_FORMAT2(same_text, r.out, "malloc error 29\n");
    EXPECT_PRED_FORMAT2(same_text, r.err, std::string("argc=3\nInput File ") + name + " :-1 \n");
    EXPECT_EQ(r.status, 2);
}
#endif

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

// The elements after the file: none runs the default mode, and those after
// the mode change nothing in the dump. (The mode texts are in mode_test.cpp.)
INSTANTIATE_TEST_SUITE_P(
    RunArguments, Golden,
    ::testing::Values(
        golden_case{"no mode", kDumpOnly, {"cap.dat"}, "", notes(2, 1), 0},
        golden_case{"verbose has no effect on the dump", kDumpOnly, {"cap.dat", "0", "v"}, kDumpLine, notes(4, 1), 0},
        golden_case{
            "any number of further elements", kDumpOnly, {"cap.dat", "0", "a", "b", "c"}, kDumpLine, notes(6, 1), 0}),
    golden_name);

// A capture of 2048 records: KANDEN frames of 31 bytes (words 3 to 500) in
// the odd records, SONY frames of 252 bits (words 4 to 509, word 510 set) in
// the even ones, their bits spelling the record number. The file is cut to
// 3 MiB while tavlin is blocked on its first full output buffer, after loading
// and before its window moves: every mode prints more than that buffer from
// the first window. The cut falls in word 256 of record 1537 (0x601), inside
// that record's frame, its dump line and the span of words 2 to 510 in which
// SONY looks for a long gap: the run prints every line of the records before
// it, none for it, and ends with "fread error 5".
TEST(RunFailure, FileCutWhileDecodingEndsWithTheLinesReadBefore) {
    std::string description;
    for (unsigned k = 1; k <= 2048; ++k) {
        std::string bits;
        for (unsigned i = 0; i < 252; ++i) bits += (k * 2654435761u >> (i % 32)) & 1 ? '1' : '0';
        if (k % 2 == 1)
            description += "0x2000 0xD00 0x680" + pairs("0x1A0", "0x1A0", "0x4E0", bits.substr(4)) + " 0x1A0 0x20000\n";
        else
            description +=
                "0x50 0x960 0x20000 0x960" + pairs("0x258", "0x258", "0x4B0", bits) + " 0x20000 0x960 0x258\n";
    }
    scratch_dir dir;
    dir.write_capture("full.dat", description);
    dir.write_capture("cap.dat", description);
    for (const std::vector<std::string>& mode : {std::vector<std::string>{"0"}, {"1"}, {"3"}, {"-1", "v"}}) {
        std::vector<std::string> args = {"full.dat"};
        args.insert(args.end(), mode.begin(), mode.end());
        const run_result full = run_tavlin(dir, args);
        ASSERT_EQ(full.status, 0);
        // The lines of records 1 to 0x600, which all come first.
        std::size_t end = 0;
        while (end < full.out.size() && std::strtoul(full.out.c_str() + end + 5, nullptr, 16) < 0x601)
            end = full.out.find('\n', end) + 1;
        ASSERT_GT(end, 4096u);
        const std::string expected = full.out.substr(0, end) + "fread error 5\n";

        args[0] = "cap.dat";
        const run_result cut = run_tavlin(dir, args, cutting(dir.path_of("cap.dat"), (3 << 20) + 2048));
        EXPECT_PRED_FORMAT2(same_text, cut.out, expected) << "mode " << mode[0];
        EXPECT_EQ(cut.err, "argc=" + std::to_string(args.size() + 1) +
                               "\nInput File cap.dat :" + std::to_string(1024 + 2048 * 2048) + " \n");
        EXPECT_EQ(cut.status, 1);
        dir.write_capture("cap.dat", description);
    }
}

// A file over 2 GiB (on Windows, whose reads take the offset in two 32-bit
// halves, over 4 GiB and windows' worth more) is measured, loaded and walked
// whole: its size does not wrap, and its last (one-byte) record is reached.
// The file is sparse.
TEST(RunLargeFile, FileOverTwoGibibytesIsWalkedToItsLastRecord) {
    scratch_dir dir;
#if defined(_WIN32)
    const unsigned long long size = (1ull << 32) + (8ull << 20) + 1025;
#else
    const unsigned long long size = (1ull << 31) + 1025;
#endif
    {
        std::ofstream file(dir.path_of("cap.dat"), std::ios::binary);
        ASSERT_TRUE(file.good());
    }
    std::filesystem::resize_file(dir.path_of("cap.dat"), size);
    {
        std::fstream file(dir.path_of("cap.dat"), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(size - 1));
        file.put(0x7B);
        ASSERT_TRUE(file.good());
    }
    run_result r = run_tavlin(dir, {"cap.dat", "0"});
    EXPECT_EQ(r.err, "argc=3\n" + file_note(size));
    EXPECT_EQ(r.status, 0);

    const unsigned records = static_cast<unsigned>((size - 1024) / 2048 + 1);
    std::string expected;
    expected.reserve(records * 17);
    char line[64];
    for (unsigned k = 1; k < records; ++k) {
        std::snprintf(line, sizeof line, "R : [%2X] : \n", k);
        expected += line;
    }
    std::snprintf(line, sizeof line, "R : [%2X] : %08X \n", records, 0x7Bu);
    expected += line;
    EXPECT_PRED_FORMAT2(same_text, r.out, expected);
}

}  // namespace
