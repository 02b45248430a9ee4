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

#include "passes/formats.h"
#include "passes/modes.h"
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
            const std::string& line = verbose ? d.verbose_line : d.line;
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

// The value of the string field `key` of one JSON line, its escapes read
// back; "" when it has none.
std::string json_string(const std::string& line, const std::string& key) {
    std::size_t at = line.find("\"" + key + "\":\"");
    if (at == std::string::npos) return "";
    std::string value;
    for (at += key.size() + 4; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] != '\\') {
            value += line[at];
            continue;
        }
        const char c = line[++at];
        if (c == 'n')
            value += '\n';
        else if (c == 't')
            value += '\t';
        else if (c == 'u')
            value += static_cast<char>(std::stoi(line.substr(at + 1, 4), nullptr, 16)), at += 4;
        else
            value += c;
    }
    return value;
}

// tavlin's output of the default mode, plain and verbose, rebuilt from
// tavlin-view --json: every line, value and escape of it as tavlin prints.
TEST(ViewJson, LinesAreTavlinsOnTheFuzzSeeds) {
    std::vector<std::string> descriptions = {std::string(EXAMPLES_DIR) + "/sample.txt"};
    for (const auto& entry : std::filesystem::directory_iterator(std::string(EXAMPLES_DIR) + "/../fuzz/seeds"))
        descriptions.push_back(entry.path().string());
    for (const std::string& path : descriptions) {
        SCOPED_TRACE(path);
        scratch_dir dir;
        dir.write_capture("cap.dat", read_file(path));
        const run_result json = run_view(dir, {"--json", "cap.dat"});
        ASSERT_EQ(json.status, 0) << json.err;
        for (const bool verbose : {false, true}) {
            std::string rebuilt;
            for (const format_profile* profile : kFormats) {
                bool header = false;
                for (std::size_t at = 0; at < json.out.size();) {
                    const std::size_t end = json.out.find('\n', at);
                    const std::string line = json.out.substr(at, end - at);
                    at = end + 1;
                    if (json_string(line, "decoder") != profile->name) continue;
                    const std::string printed = json_string(line, verbose ? "verbose_line" : "line");
                    if (verbose && !header && !printed.empty()) rebuilt += profile->header, header = true;
                    rebuilt += printed;
                }
            }
            const run_result tavlin = run_tavlin(
                dir, verbose ? std::vector<std::string>{"cap.dat", "-1", "v"} : std::vector<std::string>{"cap.dat"});
            EXPECT_PRED_FORMAT2(same_text, rebuilt, tavlin.out) << (verbose ? "verbose" : "plain");
        }
    }
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
              "           1   00000000 0000: 00\n"
              "                ^ ^  ^  ^\n"
              "           2   00000000 00000000 00000000 00000000 00000000 00000000 0: 0000 0000 0000 \n"
              "                ^ ^  ^  ^     ^^     ^^            ^^^^^^^^ ^^^^^^^^ ^\n"
              "           3 * 01010010 10000011 00001100 00000000 : 4AC1 3000 \n");
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
              "           1   (no frame: its first pair ends it)\n"
              "         3-5   (no frame: its first pair ends it)\n");
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
              "       11172   (no long gap and word 510 is 0: the SONY walk stops here if it gets here; records before "
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
    EXPECT_EQ(r.out, "KANDEN\n           1   (no frame: its first pair ends it)\n");
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
              "KANDEN\n     1-80000   (no frame: its first pair ends it)\n\n"
              "MITSUBISHI\n     1-80000   (no frame: its first pair ends it)\n\n"
              "SONY\n           1   (no long gap and word 510 is 0: the SONY walk stops here)\n"
              "     2-80000   (not decoded: the SONY walk stopped at an earlier record)\n");
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

// A KANDEN-like frame: a leader, a pair per bit (a long gap for 1), a burst.
std::string frame_of(const std::string& bits) {
    std::string text = "3500 1750";
    for (const char b : bits) text += b == '1' ? " 435 1300" : " 435 435";
    return text + " 435";
}

// The record cells of a page's tables, then per record section: its
// heading, what it says of its place, the words drawn and the zero words
// among them, and whether it is drawn as coming from the record before.
std::string page_digest(const std::string& page) {
    std::string digest;
    for (std::size_t at = page.find("<tr><td>"); at != std::string::npos; at = page.find("<tr><td>", at + 1))
        digest += page.substr(at + 8, page.find("</td>", at) - at - 8) + "\n";
    const auto between = [&](std::size_t from, std::size_t to, const std::string& a, const std::string& b) {
        const std::size_t at = page.find(a, from);
        if (at == std::string::npos || at >= to) return std::string();
        return page.substr(at + a.size(), page.find(b, at + a.size()) - at - a.size());
    };
    for (std::size_t at = page.find("<section"); at != std::string::npos;) {
        const std::size_t end = page.find("</section>", at);
        const auto count = [&](const std::string& what) {
            std::size_t n = 0;
            for (std::size_t i = page.find(what, at); i < end; i = page.find(what, i + 1)) ++n;
            return std::to_string(n);
        };
        digest += between(at, end, "<h3>", "</h3>") + " | " + between(at, end, "<p class=\"place\">", "</p>") +
                  " | words " + count("<rect x=") + ", zeros " + count("class=\"zero\"") +
                  (count("class=\"from\"") != "0" ? ", from before" : "") + "\n";
        at = page.find("<section", end);
    }
    return digest;
}

struct signal_row {
    const char* name;
    std::string raw;                   // what mkcapture --from raw imports
    std::string before;                // a description of records put before the imported ones
    std::vector<std::string> records;  // --records, or none
    std::string table;                 // --diff --mode 1
    std::string page;                  // page_digest of the page, in mode 1 and in mode 0
};

void PrintTo(const signal_row& c, std::ostream* os) { *os << c.name; }

class ViewSignals : public ::testing::TestWithParam<signal_row> {};

// An imported signal is drawn up to the end of its durations, its name
// beside its records' numbers, escaped for the page and the terminal.
TEST_P(ViewSignals, AreShownAsImported) {
    const signal_row& c = GetParam();
    scratch_dir dir;
    dir.write_bytes("in.raw", c.raw);
    const run_result made = run_mkcapture(dir, {"--from", "raw", "in.raw", "cap.dat"});
    ASSERT_EQ(made.status, 0) << made.err;
    if (!c.before.empty())
        dir.write_bytes("cap.dat", capture_bytes(c.before) + read_file(dir.path_of("cap.dat")).substr(1024));
    std::vector<std::string> args = c.records;
    args.insert(args.end(), {"--mode", "1", "cap.dat"});
    args.insert(args.begin(), "--diff");
    run_result r = run_view(dir, args);
    EXPECT_EQ(r.out, c.table);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    // The words drawn are the signal's, with the decoders' readings or
    // without them.
    args.erase(args.begin());
    for (const char* mode : {"1", "0"}) {
        args[args.size() - 2] = mode;
        r = run_view(dir, args);
        // Mode 0 has no tables.
        EXPECT_EQ(page_digest(r.out), mode[0] == '1' ? c.page : c.page.substr(c.page.find("Record "))) << mode;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

// A table's record cell.
std::string cell(const std::string& number, const std::string& label) {
    return number + (label.empty() ? "" : " <span class=\"name\">" + label + "</span>") + "\n";
}

const char* const kEnds = "Its durations end at word ";
const char* const kNotDrawn = "; the words after them (its note, word 510) are not drawn.";

INSTANTIATE_TEST_SUITE_P(
    Imports, ViewSignals,
    ::testing::Values(
        // A record filled to its end before the import is no part of its
        // first run, whose note says it has no records before.
        signal_row{"two_frame_presses",
                   "po\x1B[1mwer: " + frame_of("1010000011110000") + " 10000 " + frame_of("0000111100001111") +
                       "\nvol<up>: " + frame_of("1100110011001100") + " 10000 " + frame_of("00000001") + "\n",
                   "100*512\n",
                   {"--records", "1,3-5"},
                   "KANDEN\n           1   " + repeated("00000000 ", 31) + "000000: " + repeated("0000 ", 15) + "00\n" +
                       "           3 * 00001111 00001111 : F0F0   # po\\x1B[1mwer (frame 2)\n"
                       "                   ^^^^     ^^^^\n"
                       "           4 * 11001100 11001100 : 3333   # vol<up>\n"
                       "               ^^    ^^ ^^    ^^\n"
                       "           5 * 00000001 : 80  # vol<up> (frame 2)\n"
                       "               ^^  ^^ ^\n",
                   cell("1", "") + cell("3", "po\\x1B[1mwer (frame 2)") + cell("4", "vol&lt;up&gt;") +
                       cell("5", "vol&lt;up&gt; (frame 2)") + "Record 1 |  | words 512, zeros 0\n" +
                       "Record 3: po\\x1B[1mwer (frame 2) | " + kEnds + "36" + kNotDrawn + " | words 37, zeros 1\n" +
                       "Record 4: vol&lt;up&gt; | " + kEnds + "36" + kNotDrawn + " | words 37, zeros 1\n" +
                       "Record 5: vol&lt;up&gt; (frame 2) | " + kEnds + "20" + kNotDrawn + " | words 21, zeros 1\n"},
        // 899 durations: a record filled to its end, and one that goes on
        // from its word 0; two signals that print the same; 505 durations,
        // whose note goes into a record of its own.
        signal_row{"long_frames",
                   "wide: " + frame_of(repeated("10", 224)) + "\nnext: " + frame_of("00000001") +
                       "\nsame: " + frame_of("00000001") + "\nfull: " + frame_of(repeated("1", 251)) + "\n",
                   "",
                   {"--records", "2-6"},
                   "KANDEN\n           2 * " + repeated("10101010 ", 24) + ": " + repeated("5555 ", 12) +
                       "  # wide (continued)\n"
                       "         3-4 * 00000001 : 80  # next .. same\n"
                       "               ^ ^ ^ ^^\n"
                       "           5   " +
                       repeated("11111111 ", 31) + "111: " + repeated("FFFF ", 15) + "FF  # full\n" +
                       "               ^^^^^^^  " + repeated("^^^^^^^^ ", 30) + "^^^\n" +
                       "           6   (no frame: its first pair ends it)  # full (its note)\n",
                   cell("2", "wide (continued)") + cell("3–4", "next .. same") + cell("5", "full") +
                       cell("6", "full (its note)") +
                       "Record 2: wide (continued) | Its durations continue the frame of record 1, which is filled "
                       "to its end: they start at word 0. " +
                       kEnds + "388" + kNotDrawn + " | words 389, zeros 1, from before\n" + "Record 3: next | " +
                       kEnds + "20" + kNotDrawn + " | words 21, zeros 1\n" + "Record 4: same | " + kEnds + "20" +
                       kNotDrawn + " | words 21, zeros 1\n" + "Record 5: full | " + kEnds + "506" + kNotDrawn +
                       " | words 507, zeros 1\n" +
                       "Record 6: full (its note) | This record holds only the note of record 5, which its "
                       "durations left no room for. | words 0, zeros 0\n"},
        // 258 frames of one signal: past the 257th, the frame is not known,
        // however the records before were read.
        signal_row{"many_frames",
                   "many: " +
                       [] {
                           std::string frames;
                           for (int i = 0; i < 258; ++i)
                               frames += (i == 0 ? "" : " 10000 ") + frame_of(i % 2 ? "0" : "1");
                           return frames + "\n";
                       }(),
                   "",
                   {"--records", "101-102"},
                   "KANDEN\n"
                   "         101   1  (no whole group)  # many (frame 257)\n"
                   "         102   0  (no whole group)  # (a frame after 256 others)\n"
                   "               ^\n",
                   cell("101", "many (frame 257)") + cell("102", "(a frame after 256 others)") +
                       "Record 101: many (frame 257) | " + kEnds + "6" + kNotDrawn + " | words 7, zeros 1\n" +
                       "Record 102: (a frame after 256 others) | " + kEnds + "6" + kNotDrawn +
                       " | words 7, zeros 1\n"}),
    [](const ::testing::TestParamInfo<signal_row>& info) { return std::string(info.param.name); });

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
        view_failure{"base_of_record_0",
                     {"--base", "0", "cap.dat"},
                     2,
                     "tavlin-view: bad --base '0' (one record, in hex)\n" + kTry},
        view_failure{"no_capture", {"--mode", "1"}, 2, "tavlin-view: needs one CAPTURE\n" + kTry},
        view_failure{"record_past_the_last",
                     {"--records", "2-3", "cap.dat"},
                     1,
                     "tavlin-view: record 3 is past the last record, 2, of cap.dat\n"},
        view_failure{"base_past_the_last",
                     {"--base", "9", "cap.dat"},
                     1,
                     "tavlin-view: --base 9 is past the last record, 2, of cap.dat\n"},
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
    ::testing::Values(bad_mode("mode_range", "1-2"), bad_mode("mode_that_wraps_to_1", "4294967297"),
                      bad_mode("mode_of_a_sign", "-"), bad_mode("mode_with_a_leading_zero", "01"),
                      view_failure{"list_past_the_last",
                                   {"--diff", "--records", "5-9", "cap.dat"},
                                   1,
                                   "tavlin-view: record 5 is past the last record, 2, of cap.dat\n"},
                      view_failure{"open_range_past_the_last",
                                   {"--records", "3-", "cap.dat"},
                                   1,
                                   "tavlin-view: record 3 is past the last record, 2, of cap.dat\n"},
                      view_failure{"open_range_past_the_last_in_the_table",
                                   {"--diff", "--records", "1,3-", "cap.dat"},
                                   1,
                                   "tavlin-view: record 3 is past the last record, 2, of cap.dat\n"}),
    [](const ::testing::TestParamInfo<view_failure>& info) { return std::string(info.param.name); });

}  // namespace
