// tavlin-view: its decisions are tavlin's (the whole output of the default
// mode, rebuilt from them, is tavlin's own on random captures and the fuzz
// seeds); its page and table of the bundled sample are fixed; bad input and
// options end as documented, and no partial page is left.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "passes/modes.h"
#include "passes/formats.h"
#include "tests/harness.h"
#include "tools/view/readings.h"

namespace {


// tavlin's output of the default mode, rebuilt from the view's decisions:
// each pass's header before its first line, the lines, and the tails.
std::string rebuilt(const std::vector<record_readings>& records, bool verbose) {
    std::string out;
    for (std::size_t p = 0; p < kFormats.size(); ++p) {
        bool header = false;
        for (const record_readings& r : records) {
            const decoder_reading& d = r.decoders[p];
            if (!d.reached || ends_walk(d) || d.line.empty()) continue;
            if (verbose && !header) out += kFormats[p]->header;
            header = true;
            std::string line = d.line;
            if (verbose && d.record.frame.group_count != 0) {
                line.pop_back();
                line += ':';
                char field[16];
                for (unsigned i = 0; i < d.record.tail_count; ++i) {
                    std::snprintf(field, sizeof field, " %08X", static_cast<unsigned>(d.record.tail[i]));
                    line += field;
                }
                line += '\n';
            }
            out += line;
        }
    }
    return out;
}

void check_agreement(const std::string& bytes, const std::string& what) {
    SCOPED_TRACE(what);
    std::FILE* file = std::tmpfile();
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fflush(file);
    capture_image image;
    ASSERT_EQ(load_capture(file, bytes.size(), image).failure, load_failure::none);
    std::vector<record_readings> records(record_count(image.size));
    reading_walk walk = start_walk(kFormats);
    for (std::size_t i = 0; i < records.size(); ++i) ASSERT_EQ(read_shown_record(image, walk, i + 1, records[i]), 0);
    for (const bool verbose : {false, true}) {
        const std::string tavlin = written([&](out_writer& out) { EXPECT_EQ(run_mode(-1, image, out, verbose), 0); });
        EXPECT_PRED_FORMAT2(same_text, rebuilt(records, verbose), tavlin) << (verbose ? "verbose" : "plain");
    }
    release_capture(image);
    std::fclose(file);
}

TEST(ViewAgreement, DecisionsAreTavlinsOnRandomCaptures) {
    std::mt19937 random(1209);
    for (int round = 0; round < 24; ++round) {
        const std::size_t size = 1024 + random() % (10 * 2048);
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i % 4 == 0 || round % 3 == 0 ? random() : random() % 3 == 0 ? random() : 0);
        check_agreement(bytes, "round " + std::to_string(round));
    }
}

TEST(ViewAgreement, DecisionsAreTavlinsOnTheFuzzSeeds) {
    std::vector<std::string> descriptions = {std::string(EXAMPLES_DIR) + "/sample.txt"};
    for (const auto& entry : std::filesystem::directory_iterator(std::string(EXAMPLES_DIR) + "/../fuzz/seeds"))
        descriptions.push_back(entry.path().string());
    for (const std::string& path : descriptions) check_agreement(capture_bytes(read_file(path)), path);
}

// Records far apart: the state between them is not walked, and the page
// says it is not known.
TEST(ViewAgreement, StateAcrossAnUnreadStretchIsNotKnown) {
    const std::string bytes = capture_bytes("0 0 0 0x100 0x1234\n" + repeated("0\n", 70000) + "0 0 0 0x100 0x400\n");
    std::FILE* file = std::tmpfile();
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fflush(file);
    capture_image image;
    ASSERT_EQ(load_capture(file, bytes.size(), image).failure, load_failure::none);
    reading_walk walk = start_walk(kFormats);
    record_readings first, last;
    ASSERT_EQ(read_shown_record(image, walk, 1, first), 0);
    ASSERT_EQ(read_shown_record(image, walk, 70002, last), 0);
    EXPECT_TRUE(first.decoders[0].separate_known);
    EXPECT_FALSE(last.decoders[0].separate_known);
    EXPECT_TRUE(last.decoders[0].reach_known);
    EXPECT_FALSE(last.decoders[2].reach_known);
    release_capture(image);
    std::fclose(file);
}

TEST(ViewSample, PageAndTableAreAsKept) {
    scratch_dir dir;
    dir.write_capture("sample.cap", read_file(std::string(EXAMPLES_DIR) + "/sample.txt"));
    run_result r = run_view(dir, {"sample.cap"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_PRED_FORMAT2(same_text, r.out, read_file(std::string(EXAMPLES_DIR) + "/../tests/golden/sample.html"))
        << "the page differs from tests/golden/sample.html";
    r = run_view(dir, {"--diff", "--mode", "2", "--base", "3", "sample.cap"});
    // Every row against record 3's 32 bits; bits past them count as changed.
    EXPECT_EQ(r.out,
              "MITSUBISHI\n"
              "           1  00000000 0000: 00\n"
              "               ^ ^  ^  ^\n"
              "           2  00000000 00000000 00000000 00000000 00000000 00000000 0: 0000 0000 0000 \n"
              "               ^ ^  ^  ^     ^^     ^^            ^^^^^^^^ ^^^^^^^^ ^\n"
              "           3  01010010 10000011 00001100 00000000 : 4AC1 3000 \n");
    EXPECT_EQ(r.status, 0);
}

// The page has a table for each decoder of the mode, and for none in mode 0.
TEST(ViewModes, PageShowsTheDecodersOfTheMode) {
    const std::pair<const char*, std::string> cases[] = {
        {"-1", "KANDEN MITSUBISHI SONY "}, {"0", ""}, {"1", "KANDEN "}, {"2", "MITSUBISHI "}, {"3", "SONY "}};
    scratch_dir dir;
    dir.write_capture("cap.dat", "1 2\n3 4\n");
    const std::string head = "<tr><th>record</th><th>";
    for (const auto& [mode, tables] : cases) {
        const run_result r = run_view(dir, {"--mode", mode, "cap.dat"});
        std::string got;
        for (std::size_t at = r.out.find(head); at != std::string::npos; at = r.out.find(head, at + 1))
            got += r.out.substr(at + head.size(), r.out.find('<', at + head.size()) - at - head.size()) + " ";
        EXPECT_EQ(got, tables) << "--mode " << mode;
        EXPECT_EQ(r.status, 0);
    }
}

// Rows merge only records that print the same and follow each other.
TEST(ViewTable, MergesOnlyConsecutiveRecords) {
    scratch_dir dir;
    dir.write_capture("cap.dat", repeated("1 2\n", 5));
    const run_result r = run_view(dir, {"--diff", "--mode", "1", "--records", "1,3-5", "cap.dat"});
    EXPECT_EQ(r.out,
              "KANDEN\n"
              "           1  (no frame: its first pair ends it)\n"
              "         3-5  (no frame: its first pair ends it)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

#if !defined(_WIN32)  // control bytes and bytes that are not UTF-8 in file names, and xmllint through bash: POSIX only
// A capture's name is text of the page, escaped: markup as entities,
// control bytes and bytes that are no UTF-8 character as \xNN; the page is
// well-formed XML whatever the name.
TEST(ViewSample, NameIsEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"a&b<c>.cap", "a&amp;b&lt;c&gt;.cap"},
        {"\x1B]0;title\x07\r.cap", "\\x1B]0;title\\x07\\x0D.cap"},
        {"\xFF\xC3(\xE2\x82\xAC\xED\xA0\x80.cap", "\\xFF\\xC3(\xE2\x82\xAC\\xED\\xA0\\x80.cap"},
        {"\xC2\x85\x7F\xEF\xBF\xBE.cap", "\\xC2\\x85\\x7F\\xEF\\xBF\\xBE.cap"}};
    for (const auto& [name, title] : cases) {
        scratch_dir dir;
        dir.write_capture(name, "1 2\n");
        const run_result r = run_view(dir, {name, "-o", "page.html"});
        EXPECT_EQ(r.status, 0);
        const std::string page = read_file(dir.path_of("page.html"));
        EXPECT_NE(page.find("<title>tavlin-view: " + title + "</title>"), std::string::npos) << title;
        EXPECT_EQ(page.find(name), std::string::npos) << title;
        const run_result lint = run_shell(dir, "xmllint --noout --nonet page.html");
        EXPECT_EQ(lint.err, "") << title;
        EXPECT_EQ(lint.status, 0) << title;
    }
}
#endif

#if !defined(_WIN32)  // a sparse file by truncate
// A record that ends the SONY walk, far past the records walked before it:
// whether the walk reaches it is not known, and the table and the page say
// so.
TEST(ViewTable, WalkEndOfARecordNotReachedIsConditional) {
    scratch_dir dir;
    dir.write_bytes("sparse.cap", "");
    ASSERT_EQ(truncate(dir.path_of("sparse.cap").c_str(), 1024 + 2048 * 70002), 0);
    run_result r = run_view(dir, {"--diff", "--mode", "3", "--records", "11172", "sparse.cap"});
    EXPECT_EQ(r.out,
              "SONY\n"
              "       11172  (no long gap and word 510 is 0: the SONY walk stops here if it gets here; records before "
              "were not read)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    r = run_view(dir, {"--mode", "3", "--records", "11172", "sparse.cap"});
    EXPECT_NE(r.out.find(">no long gap and word 510 is 0: the SONY walk stops here if it gets here</text>"),
              std::string::npos);
    EXPECT_NE(r.out.find("word 510 is 0: if the SONY walk gets here, it stops at this record, and no later record is "
                         "decoded."),
              std::string::npos);
    EXPECT_EQ(r.out.find("stops at this record;"), std::string::npos);
    EXPECT_EQ(r.status, 0);
}
#endif

// A capture whose bytes are all printable is still a capture: a header and
// whole records.
TEST(ViewTable, PrintableCaptureIsRead) {
    scratch_dir dir;
    dir.write_capture("printable.cap", "header 65\n0x41414141*512\n");
    const run_result r = run_view(dir, {"--diff", "--mode", "1", "printable.cap"});
    EXPECT_EQ(r.out, "KANDEN\n           1  (no frame: its first pair ends it)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

#if !defined(_WIN32)  // a sparse file by truncate, and peak memory: POSIX measures
// The records of a 1 GiB hole, all listed: the table is made as they are
// read, and the page holds 2000 of them and says how to choose others.
TEST(ViewMemory, AllRecordsOfASparseCaptureInLittleMemory) {
    scratch_dir dir;
    dir.write_bytes("sparse.cap", "");
    ASSERT_EQ(truncate(dir.path_of("sparse.cap").c_str(), 1024 + 2048 * (1 << 19)), 0);
    run_result r = run_view(dir, {"--diff", "--records", "1-", "sparse.cap"});
    EXPECT_EQ(r.out,
              "KANDEN\n     1-80000  (no frame: its first pair ends it)\n\n"
              "MITSUBISHI\n     1-80000  (no frame: its first pair ends it)\n\n"
              "SONY\n           1  (no long gap and word 510 is 0: the SONY walk stops here)\n"
              "     2-80000  (not decoded: the SONY walk stopped at an earlier record)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    if (kPeakMemoryMeasured) {
        EXPECT_LT(r.peak_kib, 64 * 1024);
    }
    r = run_view(dir, {"--records", "1-", "sparse.cap", "-o", "page.html"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    if (kPeakMemoryMeasured) {
        EXPECT_LT(r.peak_kib, 64 * 1024);
    }
    const std::string page = read_file(dir.path_of("page.html"));
    EXPECT_LT(page.size(), 8u << 20);
    EXPECT_NE(page.find("522288 more records of the list are left out (choose with --records)"), std::string::npos);
}
#endif

struct view_failure {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string err;
};

void PrintTo(const view_failure& c, std::ostream* os) { *os << c.name; }

class ViewFailure : public ::testing::TestWithParam<view_failure> {};

// Each failure says why on standard error, writes nothing on standard
// output, and leaves the directory as it was.
TEST_P(ViewFailure, SaysWhyAndLeavesNoPage) {
    scratch_dir dir;
    dir.write_capture("cap.dat", "1 2\n3 4\n");
    dir.write_bytes("empty.cap", "");
    dir.write_bytes("text.txt", repeated("pulse 100\n", 200));
    const std::string before = directory_listing(dir.path);
    const run_result r = run_view(dir, GetParam().args);
    EXPECT_EQ(r.status, GetParam().status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, GetParam().err);
    EXPECT_EQ(directory_listing(dir.path), before);
}

const std::string kTry = "Try 'tavlin-view --help' for more information.\n";

// The reasons Windows gives in its own words: it refuses to open a folder as
// a file, and names a missing folder.
#if defined(_WIN32)
const char* const kDirectoryReason = "Permission denied";
const char* const kMissingFolderReason = "Path not found.";
#else
const char* const kDirectoryReason = "Is a directory";
const char* const kMissingFolderReason = "No such file or directory";
#endif

INSTANTIATE_TEST_SUITE_P(
    Failures, ViewFailure,
    ::testing::Values(
        view_failure{"missing", {"none.cap"}, 1, "tavlin-view: cannot open none.cap: No such file or directory\n"},
        view_failure{"directory", {"."}, 1, std::string("tavlin-view: cannot open .: ") + kDirectoryReason + "\n"},
        view_failure{"empty",
                     {"empty.cap"},
                     1,
                     "tavlin-view: empty.cap holds no record: a capture is a 1024-byte header, then 2048-byte "
                     "records\n"},
        view_failure{"text",
                     {"text.txt"},
                     1,
                     "tavlin-view: text.txt looks like text, not a capture: make a capture of it with mkcapture\n"},
        view_failure{
            "bad_mode", {"--mode", "7", "cap.dat"}, 2, "tavlin-view: bad mode '7' (-1, 0, 1, 2 or 3)\n" + kTry},
        view_failure{"diff_without_decoders",
                     {"--diff", "--mode", "0", "cap.dat"},
                     2,
                     "tavlin-view: --diff compares decoders; --mode 0 has none\n" + kTry},
        view_failure{"base_of_record_0", {"--base", "0", "cap.dat"}, 2, "tavlin-view: bad --base '0' (one record, in hex)\n" + kTry},
        view_failure{"no_capture", {"--mode", "1"}, 2, "tavlin-view: needs one CAPTURE\n" + kTry},
        view_failure{"record_past_the_last",
                     {"--records", "2-3", "cap.dat"},
                     1,
                     "tavlin-view: record 3 is past the last record of cap.dat\n"},
        view_failure{"base_past_the_last",
                     {"--base", "9", "cap.dat"},
                     1,
                     "tavlin-view: --base 9 is past the last record of cap.dat\n"},
        view_failure{"page_in_a_missing_directory",
                     {"-o", "no/page.html", "cap.dat"},
                     1,
                     std::string("tavlin-view: cannot create a temporary file in no: ") + kMissingFolderReason +
                         "\n"},
        view_failure{"page_over_the_capture",
                     {"-o", "cap.dat", "cap.dat"},
                     2,
                     "tavlin-view: the page cap.dat is the same file as CAPTURE cap.dat\n"}),
    [](const ::testing::TestParamInfo<view_failure>& info) { return std::string(info.param.name); });

view_failure bad_mode(const char* name, const std::string& mode) {
    return {name, {"--mode", mode, "cap.dat"}, 2, "tavlin-view: bad mode '" + mode + "' (-1, 0, 1, 2 or 3)\n" + kTry};
}

// A mode is one of the modes the help names, written as it writes them.
INSTANTIATE_TEST_SUITE_P(
    Messages, ViewFailure,
    ::testing::Values(
        bad_mode("mode_range", "1-2"),
        bad_mode("mode_that_wraps_to_1", "4294967297"),
        bad_mode("mode_of_a_sign", "-"),
        bad_mode("mode_with_a_leading_zero", "01"),
        view_failure{"open_range_past_the_last",
                     {"--records", "3-", "cap.dat"},
                     1,
                     "tavlin-view: record 3 is past the last record of cap.dat\n"},
        view_failure{"open_range_past_the_last_in_the_table",
                     {"--diff", "--records", "1,3-", "cap.dat"},
                     1,
                     "tavlin-view: record 3 is past the last record of cap.dat\n"}),
    [](const ::testing::TestParamInfo<view_failure>& info) { return std::string(info.param.name); });

}  // namespace
