// Whole signals from import to export: recordings of the shapes real remotes
// send (an appliance press of two frames, a message sent twice, a frame
// longer than a record, codes that end in a lead-out or ask for repeats, a
// carrier of their own, a file with one bad entry), each imported, decoded
// in the mode that reads it, and exported back to the very text it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/frames.h"
#include "tests/harness.h"

namespace {

struct whole_case {
    const char* name;
    const char* form;
    std::string text;      // the input, in the form's own writing, so that the export gives it back
    int status;            // mkcapture's
    std::string err;       // mkcapture's whole standard error
    const char* mode;      // tavlin's
    std::string decoded;   // tavlin's whole standard output in that mode
    std::string exported;  // tavlin-export's text; the input when empty
};

void PrintTo(const whole_case& c, std::ostream* os) { *os << c.name; }

class WholeSignal : public ::testing::TestWithParam<whole_case> {};

TEST_P(WholeSignal, ImportsDecodesAndExportsBack) {
    const whole_case& c = GetParam();
    scratch_dir dir;
    dir.write_bytes("in.txt", c.text);
    const run_result made = run_mkcapture(dir, {"--from", c.form, "in.txt", "out.cap"});
    EXPECT_EQ(made.err, c.err);
    ASSERT_EQ(made.status, c.status);
    const run_result decoded = run_tavlin(dir, {"out.cap", c.mode});
    EXPECT_EQ(decoded.out, c.decoded);
    const run_result exported = run_export(dir, {"--to", c.form, "out.cap", "-"});
    EXPECT_EQ(exported.err, "");
    EXPECT_PRED_FORMAT2(same_text, exported.out, c.exported.empty() ? c.text : c.exported);
}

// An air conditioner's press: a short frame, then 10 ms later the frame with
// mode and temperature.
const std::vector<unsigned> kFirst = {0x02, 0x20, 0xE0, 0x04, 0x00, 0x00, 0x00, 0x06};
const std::vector<unsigned> kSecond = {0x02, 0x20, 0xE0, 0x04, 0x00, 0x29, 0x30, 0x80, 0xAF, 0x00,
                                       0x00, 0x0E, 0xE0, 0x00, 0x00, 0x81, 0x00, 0x00, 0xFD};
// An 18-byte message, sent twice 17 ms apart: 583 durations.
const std::vector<unsigned> kMessage = {0x23, 0xCB, 0x26, 0x01, 0x00, 0x20, 0x08, 0x06, 0x30,
                                        0x45, 0x67, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F};
// A frame of 56 bytes: 899 durations, on into a second record.
const std::vector<unsigned> kLong = [] {
    std::vector<unsigned> bytes;
    for (unsigned b = 0; b < 56; ++b) bytes.push_back(b * 7 & 0xFF);
    return bytes;
}();

const std::string kFlipperHead = "Filetype: IR signals file\nVersion: 1\n";

INSTANTIATE_TEST_SUITE_P(
    Recordings, WholeSignal,
    ::testing::Values(
        whole_case{"two_frames_of_one_press", "raw",
                   "press: " + kanden_durations(kFirst) + " 10000 " + kanden_durations(kSecond) + " 75000\n", 0, "",
                   "1", kanden_line(1, kFirst) + kanden_line(2, kSecond), ""},
        whole_case{"message_sent_twice_at_40_khz_and_half_duty", "flipper",
                   kFlipperHead + "#\nname: Cool 24\ntype: raw\nfrequency: 40000\nduty_cycle: 0.500000\ndata: " +
                       kanden_durations(kMessage) + " 17000 " + kanden_durations(kMessage) + "\n",
                   0, "", "1", kanden_line(1, kMessage) + kanden_line(2, kMessage), ""},
        whole_case{"frame_longer_than_a_record", "raw", "ac: " + kanden_durations(kLong) + "\n", 0, "", "1",
                   kanden_line(1, kLong) + kanden_line(2, kLong, 0x20), ""},
        // A Sony TV code as Broadlink stores it: ticks of 2^-15 s, ending in
        // the 0x0D05-tick lead-out, which the SONY decoder must not take for
        // the gap before a frame; then the same code with repeat byte 2.
        whole_case{"sony_code_ending_in_a_lead_out", "broadlink",
                   "power: JgAcAE8UJxQUFCcUFBQnFBQUFBQnFBQUFBQUFBQADQU=\n", 0, "", "3", kSonyLine, ""},
        whole_case{"sony_code_repeated_twice", "broadlink", "power: JgIcAE8UJxQUFCcUFBQnFBQUFBQnFBQUFBQUFBQADQU=\n", 0,
                   "", "3", kSonyLine, ""},
        whole_case{"one_bad_entry", "raw", "a: 2400 600 1200\nb: 2400 0 1200\nc: 600 600 600\n", 3,
                   "mkcapture: in.txt: line 2, column 9: zero duration; left out\n"
                   "mkcapture: in.txt: 1 entry left out (--strict refuses the input instead)\n",
                   "0",
                   "R : [ 1] : 00002000 00000960 00000258 000004B0 \nR : [ 2] : 00002000 00000258 00000258 00000258 \n",
                   "a: 2400 600 1200\nc: 600 600 600\n"}),
    [](const ::testing::TestParamInfo<whole_case>& info) { return std::string(info.param.name); });

// --strict refuses the file with the bad entry, and writes nothing.
TEST(WholeSignalStrict, RefusesTheFileOfABadEntry) {
    scratch_dir dir;
    dir.write_bytes("in.txt", "a: 2400 600 1200\nb: 2400 0 1200\n");
    const std::string before = directory_listing(dir.path);
    const run_result r = run_mkcapture(dir, {"--from", "raw", "--strict", "in.txt", "out.cap"});
    EXPECT_EQ(r.err, "mkcapture: in.txt: line 2, column 9: zero duration\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(directory_listing(dir.path), before);
}

// A note whose text was damaged (its checksum fails) is no note: the record
// is exported as a record from elsewhere, its words up to the first 0.
TEST(WholeSignalNote, DamagedIsNotTaken) {
    scratch_dir dir;
    dir.write_bytes("in.txt", "power: 100 200 300 5000\n");
    ASSERT_EQ(run_mkcapture(dir, {"--from", "raw", "in.txt", "out.cap"}).status, 0);
    std::string capture = read_file(dir.path_of("out.cap"));
    EXPECT_EQ(run_export(dir, {"--to", "raw", "out.cap", "-"}).out, "power: 100 200 300 5000\n");
    // The note starts at word 6 (after the durations in words 1 to 3 and
    // two 0s), its text at word 10, two bytes a word: "signal\nname
    // power\nform raw\nafter 5000\n". Byte 33 of it, the 5, becomes a 4.
    capture[1024 + 4 * (10 + 33 / 2) + 33 % 2] ^= 1;
    dir.write_bytes("out.cap", capture);
    EXPECT_EQ(run_export(dir, {"--to", "raw", "out.cap", "-"}).out, "record_1: 100 200 300\n");
}

}  // namespace
