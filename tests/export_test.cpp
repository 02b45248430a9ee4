// tavlin-export: a capture's records written in every form, by hand-worked
// examples; exported and imported back, random signals come back the same,
// or within one tick of the form; and the ways an export fails.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "capture/layout.h"
#include "tests/harness.h"
#include "tools/forms/registry.h"

namespace {

// Record 1 "power" (ends with a burst), record 2 without a signal, record 3
// unnamed (ends with a gap).
const char* const kCapture = "0x2000 2400 600 1200 600 600\n0x2000\n0x3000 9000 4500 560 40020\n";
const char* const kNames = "# record (hex, as tavlin prints it)\tsignal\n1\tpower\n";

struct export_case {
    const char* form;
    std::string out;
};

void PrintTo(const export_case& c, std::ostream* os) { *os << c.form; }

class ExportForm : public ::testing::TestWithParam<export_case> {};

TEST_P(ExportForm, WritesEachSignal) {
    scratch_dir dir;
    dir.write_capture("cap.dat", kCapture);
    dir.write_bytes("names.txt", kNames);
    const run_result r = run_export(dir, {"--to", GetParam().form, "--names", "names.txt", "cap.dat", "-"});
    EXPECT_EQ(r.out, GetParam().out);
    EXPECT_EQ(r.err, "tavlin-export: record 2 holds no signal; left out\n");
    EXPECT_EQ(r.status, 0);
}

// At 38 kHz a Pronto cycle (frequency word 0x6D) lasts 26.2958 µs, a sendir
// cycle 26.3158 µs: 2400 µs is 91 cycles, 600 23, 1200 46, 9000 342, 4500
// 171, 560 21, 40020 1522 (Pronto) or 1521 (sendir), the 100 ms lead-out
// 3803 (Pronto) or 3800. A Broadlink tick lasts 30.5176 µs: 79, 20, 39, 295,
// 147, 18 and 1311 ticks; the first code ends with the gap 0x0D05.
INSTANTIATE_TEST_SUITE_P(
    Forms, ExportForm,
    ::testing::Values(
        export_case{"raw", "power: 2400 600 1200 600 600\nrecord_3: 9000 4500 560 40020\n"},
        export_case{"ir-ctl", "# power\n+2400 -600 +1200 -600 +600\n\n# record_3\n+9000 -4500 +560 -40020\n\n"},
        export_case{"mode2",
                    "# power\npulse 2400\nspace 600\npulse 1200\nspace 600\npulse 600\ntimeout 100000\n# record_3\n"
                    "pulse 9000\nspace 4500\npulse 560\nspace 40020\ntimeout 100000\n"},
        export_case{"c-array",
                    "uint16_t power[5] = {\n    2400, 600, 1200, 600, 600\n};\nuint16_t record_3[4] = {\n    9000, "
                    "4500, 560, 40020\n};\n"},
        export_case{"flipper",
                    "Filetype: IR signals file\nVersion: 1\n#\nname: power\ntype: raw\nfrequency: 38000\n"
                    "duty_cycle: 0.330000\ndata: 2400 600 1200 600 600\n#\nname: record_3\ntype: raw\nfrequency: "
                    "38000\nduty_cycle: 0.330000\ndata: 9000 4500 560 40020\n"},
        export_case{"pronto",
                    "# power\n0000 006D 0003 0000 005B 0017 002E 0017 0017 0EDB\n# record_3\n0000 006D 0002 0000 "
                    "0156 00AB 0015 05F2\n"},
        export_case{"sendir",
                    "# power\nsendir,1:1,1,38000,1,1,91,23,46,23,23,3800\n# record_3\nsendir,1:1,1,38000,1,1,342,"
                    "171,21,1521\n"},
        export_case{"broadlink", "power: JgAIAE8UJxQUAA0FAAAAAA==\nrecord_3: JgAIAAABJ5MSAAUfAAAAAA==\n"}),
    [](const ::testing::TestParamInfo<export_case>& info) {
        std::string name = info.param.form;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// The lowest and the highest carrier: at 15 kHz a cycle lasts 66.667 µs
// (4500 µs is 67.5 cycles, rounded up), at 500 kHz 2 µs.
TEST(ExportCarrier, LowestAndHighestAreTaken) {
    const std::pair<const char*, std::string> cases[] = {
        {"15000",
         "# power\nsendir,1:1,1,15000,1,1,36,9,18,9,9,1500\n# record_3\nsendir,1:1,1,15000,1,1,135,68,8,600\n"},
        {"500000",
         "# power\nsendir,1:1,1,500000,1,1,1200,300,600,300,300,50000\n# record_3\nsendir,1:1,1,500000,1,1,4500,"
         "2250,280,20010\n"}};
    for (const auto& [carrier, out] : cases) {
        scratch_dir dir;
        dir.write_capture("cap.dat", kCapture);
        dir.write_bytes("names.txt", kNames);
        const run_result r =
            run_export(dir, {"--to", "sendir", "--carrier", carrier, "--names", "names.txt", "cap.dat", "-"});
        EXPECT_PRED_FORMAT2(same_text, r.out, out);
        EXPECT_EQ(r.err, "tavlin-export: record 2 holds no signal; left out\n");
        EXPECT_EQ(r.status, 0);
    }
}

// An unnamed signal is named by its record's number as tavlin prints it.
TEST(ExportNames, UnnamedSignalsTakeTheRecordNumberInHex) {
    scratch_dir dir;
    std::string description;
    for (int k = 1; k <= 17; ++k) description += "0x2000 " + std::to_string(k) + " 5\n";
    dir.write_capture("cap.dat", description);
    const run_result r = run_export(dir, {"--to", "raw", "--records", "9-A,11", "cap.dat", "-"});
    EXPECT_EQ(r.out, "record_9: 9 5\nrecord_A: 10 5\nrecord_11: 17 5\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Records without a signal are warned of once per run of them, in hex, as
// they come among the others: a sparse capture gives a line, not millions.
TEST(ExportNames, RecordsWithoutASignalAreWarnedOfByRanges) {
    scratch_dir dir;
    std::string description;
    for (int k = 1; k <= 20; ++k) description += k == 1 || k == 13 ? "0x2000 7 5\n" : "0\n";
    dir.write_capture("cap.dat", description);
    // Records 1 to 0x11 and 0x13 to 0x14: a signal in 1 and 0xD only.
    const run_result r = run_export(dir, {"--to", "raw", "--records", "1-11,13,14", "cap.dat", "-"});
    EXPECT_EQ(r.out, "record_1: 7 5\nrecord_D: 7 5\n");
    EXPECT_EQ(r.err,
              "tavlin-export: records 2-C hold no signal; left out\n"
              "tavlin-export: records E-11 hold no signal; left out\n"
              "tavlin-export: records 13-14 hold no signal; left out\n");
    EXPECT_EQ(r.status, 0);
}

// A manifest's names, a byte-order mark before them or not, line ends of
// either kind, escapes of mkcapture's manifest read back.
TEST(ExportNames, ManifestsAreReadAsMkcaptureWritesThem) {
    const std::pair<std::string, std::string> cases[] = {
        {kNames, "power: 2400 600 1200 600 600\nrecord_3: 9000 4500 560 40020\n"},
        {"\xEF\xBB\xBF" + std::string(kNames), "power: 2400 600 1200 600 600\nrecord_3: 9000 4500 560 40020\n"},
        {"\xEF\xBB\xBF"
         "1\tpower\r\n3\tx\\x41\r\n",
         "power: 2400 600 1200 600 600\nxA: 9000 4500 560 40020\n"}};
    for (const auto& [manifest, out] : cases) {
        scratch_dir dir;
        dir.write_capture("cap.dat", kCapture);
        dir.write_bytes("names.txt", manifest);
        const run_result r = run_export(dir, {"--to", "raw", "--names", "names.txt", "cap.dat", "-"});
        EXPECT_PRED_FORMAT2(same_text, r.out, out);
        EXPECT_EQ(r.err, "tavlin-export: record 2 holds no signal; left out\n");
        EXPECT_EQ(r.status, 0);
    }
}

// Captures of random records exported in each form, imported back with the
// default options and exported again: the same text, so that what a user
// exports and imports again is the signal it was (names, carriers and
// repeats included; the first export's rounding to a form's ticks aside).
TEST(ExportRoundTrip, SignalsComeBackAsTheyWent) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 3; ++round) {
        std::string description;
        // Round 1 is text of over 64 KiB in every form: mkcapture reads it
        // in chunks, and entries cross their ends.
        for (int k = 0; k < (round == 1 ? 120 : 12); ++k) {
            description += "0x2000";
            const int count = 1 + static_cast<int>(random() % 240);
            for (int i = 0; i < count; ++i)
                description += " " + std::to_string(1 + random() % (random() % 4 == 0 ? 60000 : 2000));
            description += "\n";
        }
        scratch_dir dir;
        dir.write_capture("cap.dat", description);
        for (const signal_form* writable : signal_forms()) {
            if (writable->write_signal == nullptr) continue;
            const std::string form(writable->name);
            SCOPED_TRACE(form + ", round " + std::to_string(round));
            ASSERT_EQ(run_export(dir, {"--to", form, "cap.dat", "out.txt"}).status, 0);
            const run_result imported = run_mkcapture(dir, {"--from", form, "out.txt", "back.cap"});
            ASSERT_EQ(imported.status, 0) << imported.err;
            ASSERT_EQ(run_export(dir, {"--to", form, "back.cap", "again.txt"}).status, 0);
            EXPECT_PRED_FORMAT2(same_text, read_file(dir.path_of("again.txt")), read_file(dir.path_of("out.txt")));
        }
    }
}

struct failure_case {
    const char* name;
    std::string capture;  // cap.dat; none when empty
    std::vector<std::string> args;
    int status;
    std::string err;
};

void PrintTo(const failure_case& c, std::ostream* os) { *os << c.name; }

class ExportFailure : public ::testing::TestWithParam<failure_case> {};

// A failed export leaves OUTPUT as it was.
TEST_P(ExportFailure, SaysWhyAndWritesNothing) {
    const failure_case& c = GetParam();
    scratch_dir dir;
    if (!c.capture.empty()) dir.write_capture("cap.dat", c.capture);
    dir.write_bytes("text.txt", "pulse 100\n");
    dir.write_bytes("out.txt", "old");
    dir.write_bytes("names.txt", kNames);
    dir.write_bytes("other.txt", std::string(kNames) + "9\tmute\n");
    const std::string before = directory_listing(dir.path);
    const run_result r = run_export(dir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(directory_listing(dir.path), before);
}

const std::string kTry = "Try 'tavlin-export --help' for more information.\n";

INSTANTIATE_TEST_SUITE_P(
    Failures, ExportFailure,
    ::testing::Values(
        failure_case{"no_form",
                     "1 2",
                     {"cap.dat", "out.txt"},
                     2,
                     "tavlin-export: needs --to FORM (" + form_names(true) + ")\n" + kTry},
        failure_case{"form_that_cannot_be_written",
                     "1 2",
                     {"--to", "lirc", "cap.dat", "out.txt"},
                     2,
                     "tavlin-export: cannot write 'lirc' (" + form_names(true) + ")\n" + kTry},
        failure_case{"carrier_without_effect",
                     "1 2",
                     {"--to", "raw", "--carrier", "40000", "cap.dat", "out.txt"},
                     2,
                     "tavlin-export: --carrier has no effect with --to raw\n" + kTry},
        failure_case{
            "bad_record_list",
            "1 2",
            {"--to", "raw", "--records", "3-1", "cap.dat", "out.txt"},
            2,
            "tavlin-export: bad record list item '3-1' (records as tavlin numbers them, in hex: 1-1F,23)\n" + kTry},
        // A manifest of another capture, whose names would go to the wrong
        // signals.
        failure_case{"names_of_another_capture",
                     "1 2",
                     {"--to", "raw", "--names", "other.txt", "cap.dat", "out.txt"},
                     1,
                     "tavlin-export: --names other.txt names record 9, past the last record of cap.dat (1): it is "
                     "the manifest of another capture\n"},
        failure_case{"record_past_the_last",
                     "1 2",
                     {"--to", "raw", "--records", "1-2", "cap.dat", "out.txt"},
                     1,
                     "tavlin-export: record 2 is past the last record of cap.dat\n"},
        failure_case{"same_file",
                     "1 2",
                     {"--to", "raw", "cap.dat", "cap.dat"},
                     2,
                     "tavlin-export: OUTPUT cap.dat is the same file as CAPTURE cap.dat\n"},
        failure_case{"missing_capture",
                     "",
                     {"--to", "raw", "none.dat", "out.txt"},
                     1,
                     "tavlin-export: cannot open none.dat: No such file or directory\n"},
        failure_case{"text_for_a_capture",
                     "",
                     {"--to", "raw", "text.txt", "out.txt"},
                     1,
                     "tavlin-export: text.txt holds no record: a capture is a 1024-byte header, then 2048-byte "
                     "records\n"},
        failure_case{"header_without_records",
                     "header 0",
                     {"--to", "raw", "cap.dat", "out.txt"},
                     1,
                     "tavlin-export: cap.dat holds no record: a capture is a 1024-byte header, then 2048-byte "
                     "records\n"},
        failure_case{"negative_word",
                     "0x2000 100 -5 100",
                     {"--to", "raw", "cap.dat", "out.txt"},
                     1,
                     "tavlin-export: record 1: word 2 is negative, no duration\n"},
        failure_case{"duration_too_long_for_pronto",
                     "0x2000 100 3000000",
                     {"--to", "pronto", "cap.dat", "out.txt"},
                     1,
                     "tavlin-export: record 1: a duration of 3000000 µs is more than 65535 carrier cycles\n"}),
    [](const ::testing::TestParamInfo<failure_case>& info) { return std::string(info.param.name); });

// Nothing is lost: no file the export may not write, and no part of an
// export that fails where the output cannot be taken back.
INSTANTIATE_TEST_SUITE_P(
    CrashesAndDataLoss, ExportFailure,
    ::testing::Values(failure_case{"names_as_output",
                                   "0x2000 100 200",
                                   {"--to", "raw", "--names", "names.txt", "cap.dat", "./names.txt"},
                                   2,
                                   "tavlin-export: OUTPUT ./names.txt is the same file as --names names.txt\n"},
                      failure_case{"late_bad_record_writes_nothing_to_standard_output",
                                   "0x2000 100 200\n0x2000 300 400\n0x2000\n0x2000 100 -5 100",
                                   {"--to", "raw", "cap.dat", "-"},
                                   1,
                                   "tavlin-export: record 4: word 2 is negative, no duration\n"}),
    [](const ::testing::TestParamInfo<failure_case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Messages, ExportFailure,
    ::testing::Values(failure_case{"open_range_past_the_last",
                                   "1 2",
                                   {"--to", "raw", "--records", "2-", "cap.dat", "out.txt"},
                                   1,
                                   "tavlin-export: record 2 is past the last record of cap.dat\n"}),
    [](const ::testing::TestParamInfo<failure_case>& info) { return std::string(info.param.name); });

#if !defined(_WIN32)  // a process started without standard error, and merged streams: POSIX setups
// With standard error closed, the warnings go nowhere, not into the output
// that would take its descriptor.
TEST(ExportDescriptors, ClosedStandardErrorTakesNoOutput) {
    scratch_dir dir;
    dir.write_capture("holes.cap", kCapture);
    run_setup setup;
    setup.stdin_path = dir.path_of("holes.cap");
    setup.stderr_closed = true;
    const run_result r = run_export(dir, {"--to", "raw", "-", "out1.txt"}, setup);
    EXPECT_EQ(r.status, 0);
    EXPECT_PRED_FORMAT2(same_text, read_file(dir.path_of("out1.txt")),
                        "record_1: 2400 600 1200 600 600\nrecord_3: 9000 4500 560 40020\n");
}
#endif

#if !defined(_WIN32)  // a sparse file by truncate, and peak memory: POSIX measures
// Walking the records of a 2 GiB hole takes no memory by the record (no
// list of them is made): little more than an export of one record.
TEST(ExportMemory, SparseCaptureIsWalkedInLittleMemory) {
    scratch_dir dir;
    dir.write_capture("one.cap", "0x2000 100 200\n");
    const long least_kib = run_export(dir, {"--to", "raw", "one.cap", "out.txt"}).peak_kib;
    const std::uint64_t records = std::uint64_t{1} << 20;
    dir.write_bytes("sparse.cap", "");
    ASSERT_EQ(truncate(dir.path_of("sparse.cap").c_str(), static_cast<off_t>(1024 + 2048 * records)), 0);
    // A warning for each record: to /dev/null, which takes them fastest.
    run_setup setup = output_to("/dev/null");
    setup.merge_stderr = true;
    const run_result r = run_export(dir, {"--to", "raw", "sparse.cap", "out.txt"}, setup);
    EXPECT_EQ(r.status, 0);
    if (kPeakMemoryMeasured) {
        EXPECT_LT(r.peak_kib, least_kib + 6 * 1024);
    }
    EXPECT_EQ(read_file(dir.path_of("out.txt")), "");
}
#endif

// A capture of text is refused as text, and one from standard input is read
// whole.
TEST(ExportInput, TextIsRefusedAndStandardInputIsRead) {
    scratch_dir dir;
    dir.write_bytes("long.txt", repeated("pulse 100\n", 200));
    run_result r = run_export(dir, {"--to", "raw", "long.txt", "-"});
    EXPECT_EQ(r.err, "tavlin-export: long.txt looks like text, not a capture: make a capture of it with mkcapture\n");
    EXPECT_EQ(r.status, 1);
    run_setup setup;
    setup.stdin_text = capture_bytes("0x2000 7 8 9\n");
    r = run_export(dir, {"--to", "raw", "-", "-"}, setup);
    EXPECT_EQ(r.out, "record_1: 7 8 9\n");
    EXPECT_EQ(r.status, 0);
    // A header and whole records are a capture, even when every byte is printable.
    dir.write_capture("printable.cap", "header 65\n0x41414141*512\n");
    r = run_export(dir, {"--to", "raw", "printable.cap", "-"});
    EXPECT_PRED_FORMAT2(same_text, r.out, "record_1:" + repeated(" 1094795585", 511) + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

}  // namespace
