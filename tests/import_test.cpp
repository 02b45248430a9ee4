// mkcapture --from: signals in other tools' text forms become the capture
// words they stand for, and tavlin decodes them; malformed input is refused
// with its line and column, and leaves no file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/frames.h"
#include "tests/harness.h"
#include "tools/signal_forms.h"

namespace {

// Bursts and gaps in microseconds, burst first.
std::vector<unsigned> frame(std::vector<unsigned> lead, unsigned mark, unsigned zero, unsigned one,
                            std::string_view bits, bool bit_on_gap, unsigned stop) {
    for (char b : bits) {
        const unsigned decided = b == '1' ? one : zero;
        lead.push_back(bit_on_gap ? mark : decided);
        lead.push_back(bit_on_gap ? decided : mark);
    }
    if (stop != 0) lead.push_back(stop);
    return lead;
}

// KANDEN 0x02 0x20, MITSUBISHI 0x4A 0xC1, SONY 1010 1001 0000.
const std::vector<unsigned> kKanden = frame({3328, 1664}, 416, 416, 1248, "0100000000000100", true, 416);
const std::vector<unsigned> kMitsubishi = frame({}, 256, 768, 1536, "0101001010000011", true, 256);
const std::vector<unsigned> kSony = [] {
    std::vector<unsigned> d = frame({2400, 600}, 600, 600, 1200, "101010010000", false, 0);
    d.pop_back();  // the last gap is the gap before the next copy
    return d;
}();

std::string as_mode2(const std::vector<unsigned>& d) {
    std::string text = "space 16777215\n";
    for (std::size_t i = 0; i < d.size(); ++i) text += (i % 2 ? "space " : "pulse ") + std::to_string(d[i]) + "\n";
    return text + "timeout 125000\n";
}

std::string as_ir_ctl(const std::vector<unsigned>& d) {
    std::string text;
    for (std::size_t i = 0; i < d.size(); ++i) text += (i % 2 ? " -" : " +") + std::to_string(d[i]);
    return text + " # timeout 20000\n";
}

std::string as_raw(const std::vector<unsigned>& d) {
    std::string text = "button:";
    for (std::size_t i = 0; i < d.size(); ++i) text += (i % 3 ? "," : " ") + std::to_string(d[i]);
    return text + "\n";
}

// The record as mkcapture's own description: idle, copies with the copy gap.
std::string record(const std::vector<unsigned>& d, unsigned copies) {
    std::string text = "0x2000";
    for (unsigned c = 0; c < copies; ++c) {
        if (c > 0) text += " 0x20000";
        for (unsigned v : d) text += " " + std::to_string(v);
    }
    return text + "\n";
}

struct import_case {
    const char* name;
    const char* format;
    std::string text;
    std::vector<std::string> options;
    std::string description;  // the capture it must make
    const char* mode;
    std::string decoded;  // tavlin's whole standard output in that mode
};

void PrintTo(const import_case& c, std::ostream* os) { *os << c.name; }

class Import : public ::testing::TestWithParam<import_case> {};

TEST_P(Import, MakesTheCaptureTavlinDecodes) {
    const import_case& c = GetParam();
    scratch_dir dir;
    dir.write_bytes("in.txt", c.text);
    std::vector<std::string> args = {"--from", c.format};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"in.txt", "out.cap"});
    const run_result made = run_mkcapture(dir, args);
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.err, "");

    EXPECT_TRUE(read_file(dir.path_of("out.cap")) == capture_bytes(c.description));
    const run_result decoded = run_tavlin(dir, {"out.cap", c.mode});
    EXPECT_EQ(decoded.out, c.decoded);
    EXPECT_EQ(decoded.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Import,
    ::testing::Values(
        import_case{"mode2_kanden", "mode2", as_mode2(kKanden), {}, record(kKanden, 1), "1", kKandenLine},
        import_case{"ir_ctl_kanden", "ir-ctl", as_ir_ctl(kKanden), {}, record(kKanden, 1), "1", kKandenLine},
        import_case{"raw_kanden", "raw", as_raw(kKanden), {}, record(kKanden, 1), "1", kKandenLine},
        import_case{
            "mode2_mitsubishi", "mode2", as_mode2(kMitsubishi), {}, record(kMitsubishi, 1), "2", kMitsubishiLine},
        import_case{
            "ir_ctl_mitsubishi", "ir-ctl", as_ir_ctl(kMitsubishi), {}, record(kMitsubishi, 1), "2", kMitsubishiLine},
        import_case{"raw_mitsubishi", "raw", as_raw(kMitsubishi), {}, record(kMitsubishi, 1), "2", kMitsubishiLine},
        import_case{"mode2_sony", "mode2", as_mode2(kSony), {"--copies", "3"}, record(kSony, 3), "3", kSonyLine},
        import_case{"ir_ctl_sony", "ir-ctl", as_ir_ctl(kSony), {"--copies", "3"}, record(kSony, 3), "3", kSonyLine},
        import_case{"raw_sony", "raw", as_raw(kSony), {"--copies", "3"}, record(kSony, 3), "3", kSonyLine},
        // 40 kHz (F = 0x68): 0x60 cycles are 2409 µs, 0x18 602, 0x30 1204 and
        // the lead-out of 0x702 cycles 45011; the lead-out closes the record.
        import_case{"pronto_sony",
                    "pronto",
                    "0000 0068 0000 000D 0060 0018 0030 0018 0018 0018 0030 0018 0018 0018 0030 0018 0018 0018 "
                    "0018 0018 0030 0018 0018 0018 0018 0018 0018 0018 0018 0702\n",
                    {"--copies", "2"},
                    "0x2000 2409 602 1204 602 602 602 1204 602 602 602 1204 602 602 602 602 602 1204 602 602 602 "
                    "602 602 602 602 602 0x20000 2409 602 1204 602 602 602 1204 602 602 602 1204 602 602 602 602 "
                    "602 1204 602 602 602 602 602 602 602 602 45011\n",
                    "3",
                    kSonyLine},
        // Layout options, and a signal whose trailing gap follows its last copy.
        import_case{"options",
                    "raw",
                    "1000 500 1000 700\n",
                    {"--idle", "0x40", "--copies", "2", "--copy-gap", "70000", "--header", "0xFF"},
                    "header 0xFF\n0x40 1000 500 1000 70000 1000 500 1000 700\n",
                    "0",
                    "R : [ 1] : 00000040 000003E8 000001F4 000003E8 00011170 000003E8 000001F4 000003E8 000002BC \n"},
        // mode2 signals end at a space over the split gap or at a timeout.
        import_case{"mode2_splits",
                    "mode2",
                    "pulse 10\nspace 20\npulse 30\nspace 50001\npulse 40\ntimeout 9\npulse 50\nspace 60\n",
                    {},
                    "0x2000 10 20 30\n0x2000 40\n0x2000 50 60\n",
                    "0",
                    "R : [ 1] : 00002000 0000000A 00000014 0000001E \nR : [ 2] : 00002000 00000028 \n"
                    "R : [ 3] : 00002000 00000032 0000003C \n"},
        import_case{"mode2_split_option",
                    "mode2",
                    "pulse 10\nspace 20\npulse 30\n",
                    {"--split", "19"},
                    "0x2000 10\n0x2000 30\n",
                    "0",
                    "R : [ 1] : 00002000 0000000A \nR : [ 2] : 00002000 0000001E \n"},
        import_case{"mode2_space_of_exactly_split_goes_on",
                    "mode2",
                    "pulse 10\nspace 20\npulse 30\n",
                    {"--split", "20"},
                    "0x2000 10 20 30\n",
                    "0",
                    "R : [ 1] : 00002000 0000000A 00000014 0000001E \n"}),
    [](const ::testing::TestParamInfo<import_case>& info) { return std::string(info.param.name); });

// Pronto counts of carrier cycles against microseconds worked out by hand:
// F = 0x6D is a period of 109 × 0.241246 = 26.295814 µs, so 0x156 (342)
// cycles last 8993.168 µs, 0xAB 4496.584, 0x15 552.212 and 0x40 1682.932.
TEST(ImportPronto, RoundsCarrierCyclesToTheNearestMicrosecond) {
    std::vector<ir_signal> signals;
    import_error error;
    ASSERT_TRUE(
        import_signals(signal_format::pronto, "0000 006D 0001 0001 0156 00AB 0015 0040\n", 50000, signals, error))
        << error.message;
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_EQ(signals[0].durations, (std::vector<std::uint32_t>{8993, 4497, 552, 1683}));
}

struct refusal {
    const char* name;
    const char* format;
    std::string text;
    std::string message;  // mkcapture's whole standard error
};

void PrintTo(const refusal& c, std::ostream* os) { *os << c.name; }

class Refused : public ::testing::TestWithParam<refusal> {};

// Refused input ends with status 1 and the place and kind of the fault; an
// existing output file is left as it was, and no temporary file remains.
TEST_P(Refused, NamesThePlaceAndWritesNothing) {
    const refusal& c = GetParam();
    scratch_dir dir;
    dir.write_bytes("in.txt", c.text);
    dir.write_bytes("out.cap", "old");
    const run_result r = run_mkcapture(dir, {"--from", c.format, "--manifest", "list.txt", "in.txt", "out.cap"});
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(dir.path_of("out.cap")), "old");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{".stderr", ".stdout", "in.txt", "out.cap"}));
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, Refused,
    ::testing::Values(
        refusal{"mode2_not_a_number", "mode2", "pulse 100\nspace 9x\n",
                "mkcapture: in.txt: line 2, column 7: not a number: '9x'\n"},
        refusal{"mode2_two_pulses", "mode2", "pulse 100\npulse 200\n",
                "mkcapture: in.txt: line 2, column 1: a pulse where a space must be\n"},
        refusal{"mode2_unknown_line", "mode2", "Using device /dev/lirc0\n",
                "mkcapture: in.txt: line 1, column 1: expected 'pulse N', 'space N' or 'timeout N'\n"},
        refusal{"mode2_zero", "mode2", "pulse 0\n", "mkcapture: in.txt: line 1, column 7: zero duration\n"},
        refusal{"ir_ctl_two_bursts", "ir-ctl", "+100 +200\n",
                "mkcapture: in.txt: line 1, column 6: a burst where a gap must be\n"},
        refusal{"ir_ctl_gap_first", "ir-ctl", "\n-100 +200\n",
                "mkcapture: in.txt: line 2, column 1: a gap where a burst must be\n"},
        refusal{"ir_ctl_unsigned", "ir-ctl", "+100 200\n",
                "mkcapture: in.txt: line 1, column 6: a duration must start with + (burst) or - (gap)\n"},
        refusal{"raw_negative", "raw", "power: 100 -5 100\n",
                "mkcapture: in.txt: line 1, column 12: negative duration: '-5'\n"},
        refusal{"raw_zero", "raw", "100,0,100\n", "mkcapture: in.txt: line 1, column 5: zero duration\n"},
        refusal{"raw_too_large", "raw", "2147483648\n",
                "mkcapture: in.txt: line 1, column 1: duration over 2147483647 microseconds: '2147483648'\n"},
        refusal{"pronto_count_mismatch", "pronto", "0000 0068 0000 0002 0010 0010\n",
                "mkcapture: in.txt: line 1: the code has 6 words, its counts say 8\n"},
        refusal{"pronto_not_learned", "pronto", "0100 0068 0000 0001 0010 0010\n",
                "mkcapture: in.txt: line 1, column 1: only learned Pronto codes (first word 0000) are read\n"},
        refusal{"pronto_zero_count", "pronto", "0000 0068 0000 0001 0010 0000\n",
                "mkcapture: in.txt: line 1, column 26: zero duration\n"},
        // F = 1: a count of 2 lasts 0.48 µs and rounds to nothing.
        refusal{"pronto_count_under_half_a_microsecond", "pronto", "0000 0001 0000 0001 0010 0002\n",
                "mkcapture: in.txt: line 1, column 26: a count of under half a microsecond\n"},
        refusal{"pronto_not_hex", "pronto", "0000 0068 0000 0001 0010 00G0\n",
                "mkcapture: in.txt: line 1, column 26: not a Pronto word (four hex digits): '00G0'\n"},
        refusal{"no_signal", "raw", "# nothing here\n", "mkcapture: in.txt: no signal in the input\n"},
        refusal{"too_long", "raw", "power:" + repeated(" 1", 511) + "\n",
                "mkcapture: in.txt: line 1: signal power has 511 durations with its copies; a record holds 510 "
                "(--truncate cuts it)\n"}),
    [](const ::testing::TestParamInfo<refusal>& info) { return std::string(info.param.name); });

// --truncate cuts a signal to the record, says so, and writes the manifest:
// a record's number as tavlin prints it, and the signal's name or line.
TEST(ImportLayout, TruncatesWithAWarningAndNamesRecords) {
    scratch_dir dir;
    dir.write_bytes("in.txt", "# two signals\npower:" + repeated(" 1 2", 300) + "\n5 6 7\n");
    const run_result r =
        run_mkcapture(dir, {"--from", "raw", "--truncate", "--manifest", "list.txt", "in.txt", "out.cap"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "mkcapture: in.txt: line 2: signal power has 600 durations with its copies; a record holds 510; cut "
              "to 510\n");
    EXPECT_EQ(read_file(dir.path_of("list.txt")),
              "# record (hex, as tavlin prints it)\tsignal\n1\tpower\n2\tin.txt:3\n");
    EXPECT_TRUE(read_file(dir.path_of("out.cap")) ==
                capture_bytes("0x2000" + repeated(" 1 2", 255) + "\n0x2000 5 6 7\n"));
}

}  // namespace

namespace {

// A manifest names records as tavlin numbers them: in hexadecimal, so that
// record 17 is 11.
TEST(ImportLayout, ManifestNumbersRecordsInHexadecimal) {
    scratch_dir dir;
    std::string input, manifest = "# record (hex, as tavlin prints it)\tsignal\n";
    for (int k = 1; k <= 17; ++k) {
        input += "key" + std::to_string(k) + ": 100 200 300\n";
        char line[32];
        std::snprintf(line, sizeof line, "%X\tkey%d\n", k, k);
        manifest += line;
    }
    dir.write_bytes("in.txt", input);
    const run_result r = run_mkcapture(dir, {"--from", "raw", "--manifest", "list.txt", "in.txt", "out.cap"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir.path_of("list.txt")), manifest);
}

// A manifest that cannot be written leaves neither the capture nor a
// temporary file behind.
TEST(ImportLayout, ManifestThatCannotBeWrittenLeavesNothing) {
    scratch_dir dir;
    dir.write_bytes("in.txt", "100 200 300\n");
    const run_result r = run_mkcapture(dir, {"--from", "raw", "--manifest", "no/list.txt", "in.txt", "out.cap"});
    EXPECT_EQ(r.err, "mkcapture: cannot create a temporary file in no: No such file or directory\n");
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{".stderr", ".stdout", "in.txt"}));
}

// The README's examples: each file in examples/ decodes as shown there.
TEST(ImportExamples, DecodeAsTheReadmeShows) {
    const std::string examples = EXAMPLES_DIR;
    const struct {
        std::vector<std::string> mkcapture;
        std::vector<std::string> tavlin;
        std::string out;
    } cases[] = {
        {{"--from", "mode2", examples + "/kanden.mode2", "out.cap"}, {"out.cap", "1"}, kKandenLine},
        {{"--from", "ir-ctl", examples + "/mitsubishi.ir-ctl", "out.cap"},
         {"out.cap", "2", "v"},
         std::string(39, ' ') + "SPACE    ON       OFF     SEPARATE\n" +
             "M : [ 1] : 01010010 10000011 : 4AC1 : 00000100 00000600 00000300 00000000\n"},
        {{"--from", "raw", "--copies", "3", examples + "/sony.raw", "out.cap"}, {"out.cap", "3"}, kSonyLine},
        {{"--from", "pronto", "--copies", "2", examples + "/sony.pronto", "out.cap"},
         {"out.cap", "3", "v"},
         std::string(38, ' ') + "SPACE1   MARK     ON       OFF     SEPARATE\n" +
             "S : [ 1] : 1010 1001 0000 : 5 9 0 : 00000969 0000025A 000004B4 0000025A 0000AFD3\n"},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        ASSERT_EQ(run_mkcapture(dir, c.mkcapture).status, 0) << c.mkcapture[2];
        EXPECT_EQ(run_tavlin(dir, c.tavlin).out, c.out) << c.mkcapture[2];
    }
}

}  // namespace
