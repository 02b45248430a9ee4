// mkcapture --from: signals in other tools' forms become the capture words
// they stand for, and tavlin decodes them with the default options; --from
// auto tells each form; malformed input is refused with its line and column
// and leaves no file behind. (Each form's reader is tested in-process, in
// forms_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/frames.h"
#include "tests/harness.h"
#include "tools/forms/registry.h"

namespace {

using durations = std::vector<unsigned>;

// Bursts and gaps in microseconds, burst first.
durations frame(durations lead, unsigned mark, unsigned zero, unsigned one, std::string_view bits, bool bit_on_gap,
                unsigned stop) {
    for (char b : bits) {
        const unsigned decided = b == '1' ? one : zero;
        lead.push_back(bit_on_gap ? mark : decided);
        lead.push_back(bit_on_gap ? decided : mark);
    }
    if (stop != 0) lead.push_back(stop);
    return lead;
}

// KANDEN 0x02 0x20, MITSUBISHI 0x4A 0xC1, SONY 1010 1001 0000 (one frame).
const durations kKanden = frame({3328, 1664}, 416, 416, 1248, "0100000000000100", true, 416);
const durations kMitsubishi = frame({}, 256, 768, 1536, "0101001010000011", true, 256);
const durations kSony = [] {
    durations d = frame({2400, 600}, 600, 600, 1200, "101010010000", false, 0);
    d.pop_back();  // the last gap is the gap before the next copy
    return d;
}();
// The SONY frame of SIRC address 1, command 0x15 (the same bits), its last
// gap filling the 45 ms frame period: 45000 - 19200.
const durations kSirc = [] {
    durations d = kSony;
    d.push_back(25800);
    return d;
}();

std::string numbers(const durations& d, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < d.size(); ++i) text += (i ? std::string(separator) : "") + std::to_string(d[i]);
    return text;
}

// The record mkcapture lays out for a frame, as the test compares it (its
// note blanked): the idle time, the durations but the last gap (which the
// note keeps), the 0s after them, and 1 in word 510.
std::string record(const durations& d, unsigned idle = 0x2000) {
    std::string text = std::to_string(idle);
    const std::size_t count = d.size() - (d.size() % 2 == 0 ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i) text += " " + std::to_string(d[i]);
    return text + " 0*" + std::to_string(509 - count) + " 1\n";
}

// A signal that ends with a gap, sent three times.
durations thrice(const durations& d) {
    durations sent;
    for (int copy = 0; copy < 3; ++copy) sent.insert(sent.end(), d.begin(), d.end());
    return sent;
}

// A capture with the notes of its records blanked: the words after each
// record's durations and the two 0s that end them, but word 510. (The
// notes are read back by the export tests.)
std::string without_notes(std::string capture) {
    for (std::size_t at = 1024; at + 2048 <= capture.size(); at += 2048) {
        std::size_t end = 1;
        while (end < 512 && capture.compare(at + 4 * end, 4, std::string(4, '\0')) != 0) ++end;
        for (std::size_t w = end + 2; w < 510; ++w) capture.replace(at + 4 * w, 4, std::string(4, '\0'));
    }
    return capture;
}

struct import_case {
    const char* name;
    const char* form;
    std::string text;
    std::vector<std::string> options;
    std::string description;  // the capture it must make
    const char* mode;         // tavlin's mode for the check of the decode, or nullptr
    std::string decoded;      // tavlin's whole standard output in that mode
    std::string err;          // mkcapture's whole standard error
};

void PrintTo(const import_case& c, std::ostream* os) { *os << c.name; }

class Import : public ::testing::TestWithParam<import_case> {};

TEST_P(Import, MakesTheCaptureTavlinDecodes) {
    const import_case& c = GetParam();
    scratch_dir dir;
    dir.write_bytes("in.txt", c.text);
    std::vector<std::string> args = {"--from", c.form};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"in.txt", "out.cap"});
    const run_result made = run_mkcapture(dir, args);
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.err, c.err);
    EXPECT_PRED_FORMAT2(same_text, without_notes(read_file(dir.path_of("out.cap"))), capture_bytes(c.description));
    if (c.mode == nullptr) return;
    const run_result decoded = run_tavlin(dir, {"out.cap", c.mode});
    EXPECT_EQ(decoded.out, c.decoded);
    EXPECT_EQ(decoded.status, 0);
}

std::string as_mode2(const durations& d) {
    std::string text = "space 16777215\n";
    for (std::size_t i = 0; i < d.size(); ++i) text += (i % 2 ? "space " : "pulse ") + std::to_string(d[i]) + "\n";
    return text + "timeout 125000\n";
}

std::string as_ir_ctl(const durations& d) {
    std::string text;
    for (std::size_t i = 0; i < d.size(); ++i) text += (i % 2 ? " -" : " +") + std::to_string(d[i]);
    return text + " # timeout 20000\n";
}

// The NEC frame of address 0x04 and command 0x08: the four bytes 04 FB 08
// F7, least significant bit first, a stop burst, and the gap that fills the
// 108 ms frame period: 108000 - 67980.
const durations kNec = frame({9000, 4500}, 560, 560, 1690, "00100000110111110001000011101111", true, 560);
// A KANDEN frame of 56 bytes, 0x00 to 0x37: 900 durations.
const durations kLongKanden = [] {
    std::string bits;
    for (unsigned byte = 0; byte < 56; ++byte)
        for (unsigned bit = 0; bit < 8; ++bit) bits += (byte >> bit & 1) ? '1' : '0';
    return frame({3500, 1750}, 435, 435, 1300, bits, true, 435);
}();
// tavlin's KANDEN line for bytes `first` to 0x37 of that frame.
std::string long_kanden_line(unsigned record, unsigned first) {
    std::string line = "K : [ " + std::to_string(record) + "] : ", bytes;
    for (unsigned byte = first; byte < 56; ++byte) {
        for (unsigned bit = 0; bit < 8; ++bit) line += (byte >> bit & 1) ? "1" : "0";
        line += " ";
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", byte);
        bytes += hex + std::string((byte - first) % 2 == 1 ? " " : "");
    }
    return line + ": " + bytes + "\n";
}
const std::string kNecLine = "K : [ 1] : 00100000 11011111 00010000 11101111 : 04FB 08F7 \n";

INSTANTIATE_TEST_SUITE_P(
    Forms, Import,
    ::testing::Values(
        import_case{"mode2", "mode2", as_mode2(kKanden), {}, record(kKanden), "1", kKandenLine, ""},
        import_case{"mode2_banner_and_carrier",
                    "mode2",
                    "Using driver default on device /dev/lirc0\nTrying device: /dev/lirc0\nUsing device: "
                    "/dev/lirc0\ncarrier 38000\n" +
                        as_mode2(kMitsubishi),
                    {},
                    record(kMitsubishi),
                    "2",
                    kMitsubishiLine,
                    ""},
        import_case{"ir_ctl", "ir-ctl", as_ir_ctl(kMitsubishi), {}, record(kMitsubishi), "2", kMitsubishiLine, ""},
        import_case{"raw", "raw", "power: " + numbers(kSony, ",") + "\n", {}, record(kSony), "3", kSonyLine, ""},
        import_case{"raw_options",
                    "raw",
                    "1000 500 1000 700\n",
                    {"--idle", "0x40", "--copies", "2", "--copy-gap", "70000", "--header", "0xFF"},
                    "header 0xFF\n0x40 1000 500 1000 70000 1000 500 1000 0*502 1\n",
                    nullptr,
                    "",
                    ""},
        // The most durations a record holds: its note goes into a record of
        // its own.
        import_case{"raw_of_the_most_durations_a_record_holds",
                    "raw",
                    "power:" + repeated(" 7", 507) + "\n",
                    {},
                    "0x2000" + repeated(" 7", 507) + " 0 0 1\n0*510 1\n",
                    nullptr,
                    "",
                    ""},
        // A frame of 899 durations (a KANDEN frame of 56 bytes) goes on into
        // the next record, and the decoder reads it whole from record 1;
        // record 2's own frame is the rest of it, from byte 0x20.
        import_case{"raw_frame_longer_than_a_record",
                    "raw",
                    "ac: " + numbers(kLongKanden, " ") + "\n",
                    {},
                    [] {
                        std::string text = "0x2000";
                        for (std::size_t i = 0; i < 511; ++i) text += " " + std::to_string(kLongKanden[i]);
                        text += "\n";
                        for (std::size_t i = 511; i < kLongKanden.size(); ++i)
                            text += std::to_string(kLongKanden[i]) + " ";
                        return text + "0*" + std::to_string(510 - (kLongKanden.size() - 511)) + " 1\n";
                    }(),
                    "1",
                    long_kanden_line(1, 0) + long_kanden_line(2, 0x20),
                    ""},
        // Two frames of one press, apart by 10 ms: a record each, both decoded.
        import_case{"raw_two_frames_of_one_press",
                    "raw",
                    "press: " + numbers(kKanden, " ") + " 10000 " + numbers(kNec, " ") + "\n",
                    {},
                    record(kKanden) + record(kNec),
                    "1",
                    kKandenLine + "K : [ 2] : 00100000 11011111 00010000 11101111 : 04FB 08F7 \n",
                    ""},
        import_case{"raw_unit", "raw", "3 1 1\n", {"--unit", "50"}, record({150, 50, 50}), nullptr, "", ""},
        // 40 kHz (F = 0x68): 0x60 cycles are 2409 µs, 0x18 602, 0x30 1204 and
        // the lead-out of 0x702 cycles 45011.
        import_case{"pronto",
                    "pronto",
                    "0000 0068 0000 000D 0060 0018 0030 0018 0018 0018 0030 0018 0018 0018 0030 0018 0018 0018 "
                    "0018 0018 0030 0018 0018 0018 0018 0018 0018 0018 0018 0702\n",
                    {},
                    record({2409, 602, 1204, 602,  602, 602, 1204, 602, 602, 602, 1204, 602, 602,
                            602,  602, 602,  1204, 602, 602, 602,  602, 602, 602, 602,  602, 45011}),
                    "3",
                    kSonyLine,
                    ""},
        import_case{"lirc_parameters",
                    "lirc",
                    read_file(EXAMPLES_DIR "/sony.lircd.conf"),
                    {},
                    // KEY_MUTE 0x290: three 1-bits, so 19200 µs before the gap, which
                    // fills the 45 ms that CONST_LENGTH keeps. min_repeat 2 sends each
                    // three times, apart by that gap.
                    record(thrice(kSirc)) + record(thrice([] {
                        durations d = frame({2400, 600}, 600, 600, 1200, "001010010000", false, 0);
                        d.back() = 600 + 45000 - 19200;
                        return d;
                    }())),
                    "3",
                    kSonyLine + "S : [ 2] : 0010 1001 0000 : 4 9 0 \n",
                    ""},
        import_case{"lirc_raw_codes",
                    "lirc",
                    read_file(EXAMPLES_DIR "/kanden.lircd.conf"),
                    {"--manifest", "-"},
                    record(kKanden),
                    nullptr,
                    "",
                    ""},
        import_case{"c_array",
                    "c-array",
                    read_file(EXAMPLES_DIR "/mitsubishi.c"),
                    {"--manifest", "-"},
                    record(kMitsubishi),
                    "2",
                    kMitsubishiLine,
                    ""},
        import_case{
            "flipper",
            "flipper",
            read_file(EXAMPLES_DIR "/remote.ir"),
            {},
            // Vol_up: RC5 address 0, command 0x10, bi-phase in
            // halves of 889 µs (forms_test.cpp works it out).
            record(kSirc) + record(kKanden) + record({889, 889, 1778, 889,  889,  889, 889, 889, 889, 889, 889, 889,
                                                      889, 889, 889,  1778, 1778, 889, 889, 889, 889, 889, 889, 90886}),
            "3",
            kSonyLine + "S : [ 2] : 0000 0000 0000 0000 0: 0 0 0 0 \n",
            ""},
        import_case{"flipper_nec",
                    "flipper",
                    "Filetype: IR signals file\nVersion: 1\n#\nname: Nec\ntype: parsed\nprotocol: NEC\n"
                    "address: 04 00 00 00\ncommand: 08 00 00 00\n",
                    {},
                    record([] {
                        durations d = kNec;
                        d.push_back(40020);
                        return d;
                    }()),
                    "1",
                    kNecLine,
                    ""},
        // A repeat count of 1 makes two copies, apart by the code's own last
        // gap (the durations are read in forms_test.cpp).
        import_case{"broadlink_copies",
                    "broadlink",
                    "\"key\": \"26010A006D370E0E0E290E000D050000\"\n",
                    {},
                    "0x2000 3326 1678 427 427 427 1251 427 101715 3326 1678 427 427 427 1251 427 0*494 1\n",
                    nullptr,
                    "",
                    ""},
        import_case{"broadlink_base64",
                    "broadlink",
                    read_file(EXAMPLES_DIR "/mitsubishi.broadlink"),
                    {},
                    record([] {
                        durations d = frame({}, 244, 763, 1526, "0101001010000011", true, 244);
                        d.push_back(101715);
                        return d;
                    }()),
                    "2",
                    kMitsubishiLine,
                    ""}),
    [](const ::testing::TestParamInfo<import_case>& info) { return std::string(info.param.name); });

// --from auto reads each example as its own form and says which.
TEST(ImportAuto, TellsEveryForm) {
    const std::pair<const char*, const char*> examples[] = {
        {"kanden.mode2", "mode2"},     {"mitsubishi.ir-ctl", "ir-ctl"},       {"sony.raw", "raw"},
        {"sony.pronto", "pronto"},     {"sony.lircd.conf", "lirc"},           {"mitsubishi.c", "c-array"},
        {"remote.ir", "flipper"},      {"mitsubishi.broadlink", "broadlink"}, {"kanden.sendir", "sendir"},
        {"heater.json", "json"},       {"tv.esphome.yaml", "esphome"},        {"sony.log", "esphome-log"},
        {"kanden.tasmota", "tasmota"}, {"mitsubishi.csv", "control-tower"}};
    for (const auto& [file, form] : examples) {
        scratch_dir dir;
        const std::string path = std::string(EXAMPLES_DIR) + "/" + file;
        const run_result automatic = run_mkcapture(dir, {"--from", "auto", path, "auto.cap"});
        std::string upper = form;  // form names are read in any case
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const run_result named = run_mkcapture(dir, {"--from", upper, path, "named.cap"});
        EXPECT_EQ(automatic.status, 0) << file;
        EXPECT_EQ(automatic.err, "mkcapture: " + path + ": read as " + form + "\n" + named.err) << file;
        EXPECT_PRED_FORMAT2(same_text, read_file(dir.path_of("auto.cap")), read_file(dir.path_of("named.cap"))) << file;
    }
    scratch_dir dir;
    dir.write_bytes("in.txt", "hello\n");
    const run_result r = run_mkcapture(dir, {"--from", "auto", "in.txt", "out.cap"});
    EXPECT_EQ(r.err, "mkcapture: in.txt: cannot tell its form; name it with --from (" + form_names(false) + ")\n");
    EXPECT_EQ(r.status, 1);
}

struct refusal {
    const char* name;
    const char* form;
    std::string text;
    std::string message;  // mkcapture's whole standard error
};

void PrintTo(const refusal& c, std::ostream* os) { *os << c.name; }

class Refused : public ::testing::TestWithParam<refusal> {};

// Refused input ends with status 1 and the place and kind of the fault; an
// existing output file is left as it was, and no temporary file remains. One
// refusal for each form, and each way of naming the place; the rest of each
// form's refusals are in forms_test.cpp.
TEST_P(Refused, NamesThePlaceAndWritesNothing) {
    const refusal& c = GetParam();
    scratch_dir dir;
    dir.write_bytes("in.txt", c.text);
    dir.write_bytes("out.cap", "old");
    const std::string before = directory_listing(dir.path);
    const run_result r = run_mkcapture(dir, {"--from", c.form, "--manifest", "list.txt", "in.txt", "out.cap"});
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(directory_listing(dir.path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, Refused,
    ::testing::Values(
        refusal{"mode2_not_a_number", "mode2", "pulse 100\nspace 9x\n",
                "mkcapture: in.txt: line 2, column 7: not a number: '9x'; left out\nmkcapture: in.txt: no signal in "
                "the input that can be read\n"},
        refusal{"ir_ctl_two_bursts", "ir-ctl", "+100 +200\n",
                "mkcapture: in.txt: line 1, column 6: a burst where a gap must be; left out\nmkcapture: in.txt: no "
                "signal in the input that can be read\n"},
        refusal{"raw_negative", "raw", "power: 100 -5 100\n",
                "mkcapture: in.txt: line 1, column 12: negative duration: '-5'; left out\nmkcapture: in.txt: no signal "
                "in the input that can be read\n"},
        refusal{"raw_signal_cut_into_lines", "raw", "9000 4500 560 560 560 1690\n560 560 560 1690 560 560\n560\n",
                "mkcapture: in.txt: lines 1 to 3 read as one signal cut into lines of 6 durations: join them into "
                "one line, or read a LIRC file with --from lirc\n"},
        refusal{"pronto_count_mismatch", "pronto", "0000 0068 0000 0002 0010 0010\n",
                "mkcapture: in.txt: line 1: the code has 6 words, its counts say 8; left out\nmkcapture: in.txt: no "
                "signal in the input that can be read\n"},
        refusal{"lirc_other_encoding", "lirc",
                "begin remote\n name TV\n flags RC5|CONST_LENGTH\n begin codes\n  K 0x1\n end codes\nend remote\n",
                "mkcapture: in.txt: line 4: remote TV uses the RC5 encoding, which --from lirc does not encode (only "
                "SPACE_ENC): its codes are left out; left out\nmkcapture: in.txt: no signal in the input that can be "
                "read\n"},
        refusal{"c_array_count_mismatch", "c-array", "x\nuint16_t raw[3] = {1, 2};\n",
                "mkcapture: in.txt: line 2, column 10: raw[3] holds 2 values; left out\nmkcapture: in.txt: no signal "
                "in the input that can be read\n"},
        refusal{"flipper_first_line", "flipper", "name: x\n",
                "mkcapture: in.txt: line 1, column 1: not a Flipper infrared file: the first line is not "
                "'Filetype: IR signals file'\n"},
        refusal{"broadlink_rf_code", "broadlink", "b2000400010203040000000000000000\n",
                "mkcapture: in.txt: line 1, column 1: not an infrared code (its first byte is not 0x26); left "
                "out\nmkcapture: in.txt: no signal in the input that can be read\n"},
        refusal{"sendir_offset", "sendir", "sendir,1:1,1,38000,1,2,10,10\n",
                "mkcapture: in.txt: line 1, column 22: an offset that is not the place of an on time; left "
                "out\nmkcapture: in.txt: no signal in the input that can be read\n"},
        refusal{"no_signal", "raw", "# nothing here\n", "mkcapture: in.txt: no signal in the input\n"}),
    [](const ::testing::TestParamInfo<refusal>& info) { return std::string(info.param.name); });

// A signal longer than a record goes on into the next one (--truncate no
// longer cuts it, and says so), and the manifest names every record: its
// number as tavlin prints it, and the signal's name or line.
TEST(ImportLayout, LongSignalsGoOnAndTheManifestNamesRecords) {
    scratch_dir dir;
    dir.write_bytes("in.txt", "# two signals\npower:" + repeated(" 1 2", 300) + "\n5 6 7\n");
    const run_result r =
        run_mkcapture(dir, {"--from", "raw", "--truncate", "--manifest", "list.txt", "in.txt", "out.cap"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "mkcapture: --truncate has no effect: a signal longer than a record goes on into the next records\n");
    EXPECT_EQ(read_file(dir.path_of("list.txt")),
              "# record (hex, as tavlin prints it)\tsignal\n1\tpower\n2\tpower\n3\tin.txt:3\n");
    EXPECT_PRED_FORMAT2(same_text, without_notes(read_file(dir.path_of("out.cap"))),
                        capture_bytes("0x2000" + repeated(" 1 2", 255) + " 1\n" + repeated("2 1 ", 44) + "0*422 1\n" +
                                      record({5, 6, 7})));
}

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
#if defined(_WIN32)  // Windows' own words for a missing folder
    EXPECT_EQ(r.err, "mkcapture: cannot create a temporary file in no: Path not found.\n");
#else
    EXPECT_EQ(r.err, "mkcapture: cannot create a temporary file in no: No such file or directory\n");
#endif
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(directory_listing(dir.path), "in.txt 420 file of 12 bytes:100 20200 20300 0A\n");
}

// Every example signal, imported with the default options, decodes under the
// decoder of its format: a SONY signal needs no second copy.
TEST(ImportExamples, DecodeWithTheDefaults) {
    const std::string examples = EXAMPLES_DIR;
    const struct {
        const char* file;
        const char* mode;
        std::string out;
    } cases[] = {
        {"kanden.mode2", "1", kKandenLine},
        {"kanden.sendir", "1", kKandenLine},
        {"kanden.lircd.conf", "1", kKandenLine},
        {"mitsubishi.ir-ctl", "2", kMitsubishiLine},
        {"mitsubishi.c", "2", kMitsubishiLine},
        {"mitsubishi.broadlink", "2", kMitsubishiLine},
        {"sony.raw", "3", kSonyLine},
        {"sony.pronto", "3", kSonyLine},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        ASSERT_EQ(run_mkcapture(dir, {"--from", "auto", examples + "/" + c.file, "out.cap"}).status, 0) << c.file;
        EXPECT_EQ(run_tavlin(dir, {"out.cap", c.mode}).out, c.out) << c.file;
    }
}

}  // namespace

namespace {

// Many inputs make one capture: their records in the order given, a
// directory's files in the order of their names, each signal's name after
// its input's, a file that cannot be imported left out (status 3), and a
// summary at the end.
TEST(ImportMany, OneCaptureOfEveryInput) {
    scratch_dir dir;
    dir.write_bytes("a.raw", "power: 2400 600 1200\n");
    ASSERT_TRUE(std::filesystem::create_directory(dir.path_of("set")));
    dir.write_bytes("set/2.raw", "mute: 600 600 600\n");
    dir.write_bytes("set/1.ir-ctl", "+100 -200 +300\n");
    dir.write_bytes("set/3.txt", "hello\n");
    const run_result r = run_mkcapture(dir, {"--from", "auto", "--manifest", "-", "a.raw", "set", "out.cap"});
    EXPECT_EQ(r.out,
              "# record (hex, as tavlin prints it)\tsignal\n1\ta.raw: power\n2\tset/1.ir-ctl:1\n3\tset/2.raw: mute\n");
    EXPECT_EQ(r.err, "mkcapture: set/3.txt: cannot tell its form; name it with --from (" + form_names(false) +
                         "); left out\n"
                         "mkcapture: 4 files, 3 signals imported, 1 files left out\n"
                         "mkcapture: entries or files of the inputs were left out (--strict refuses them instead)\n");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(run_mkcapture(dir, {"--from", "auto", "--strict", "a.raw", "set", "strict.cap"}).status, 1);
}

}  // namespace
