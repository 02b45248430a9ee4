// The forms in-process, through the form table: what each reader makes of
// its text, what it refuses and where (as mkcapture says it, after the
// input's name), and the protocols that parsed signals are encoded with.
// (import_test.cpp runs each form end to end.)
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "fuzz/form_checks.h"
#include "tests/harness.h"
#include "tools/forms/registry.h"

namespace {

struct form_case {
    const char* name;
    const char* form;
    std::string text;
    // "name: durations[, N copies]" a line for each signal, then "note: ..."
    // lines; or where the reader stops and why.
    std::string read;
    read_settings settings = {};
};

void PrintTo(const form_case& c, std::ostream* os) { *os << c.name; }

std::string read_as(const form_case& c) {
    const signal_form* form = find_form(c.form);
    if (form == nullptr) return std::string("no form ") + c.form;
    const auto place = [](const import_error& error) {
        std::string where = error.line == 0 ? "" : "line " + std::to_string(error.line);
        if (error.column != 0) where += ", column " + std::to_string(error.column);
        return where + (where.empty() ? "" : ": ") + error.message;
    };
    std::string read;
    text_source source = text_source_of(c.text);
    signal_sink sink{[&](ir_signal& s) {
                         read += s.name + ":";
                         for (const std::uint32_t d : s.durations) read += " " + std::to_string(d);
                         if (s.repeats != 0) read += ", repeats " + std::to_string(s.repeats);
                         if (s.carrier != 0) read += ", " + std::to_string(s.carrier) + " Hz";
                         if (s.duty != 0) read += ", duty " + std::to_string(s.duty);
                         read += "\n";
                     },
                     [&](const import_error& error) {
                         read += "left out: " + place(error) + "\n";
                         return true;
                     },
                     [&](const std::string& note) { read += "note: " + note + "\n"; }};
    import_error error;
    if (!form->read(source, c.settings, sink, error)) read += "stops: " + place(error);
    return read;
}

class FormRead : public ::testing::TestWithParam<form_case> {};

TEST_P(FormRead, ReadsTheSignalsOrSaysWhereItStops) { EXPECT_EQ(read_as(GetParam()), GetParam().read); }

const std::string kRawCut =
    "lines 1 to 3 read as one signal cut into lines of 2 durations: join them into one line, or read a LIRC "
    "file with --from lirc";

// Pulse-distance durations from the bits in the order they are sent: the
// header, a burst and a gap for each bit, the closing burst, the last gap.
std::string pulses(std::vector<unsigned> header, unsigned burst, unsigned one, unsigned zero, const char* bits,
                   unsigned last_gap) {
    std::string d;
    for (const unsigned h : header) d += " " + std::to_string(h);
    for (const char* b = bits; *b != '\0'; ++b)
        if (*b != ' ') d += " " + std::to_string(burst) + " " + std::to_string(*b == '1' ? one : zero);
    return d + " " + std::to_string(burst) + " " + std::to_string(last_gap);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FormRead,
    ::testing::Values(
        // A space over 100 ms ends a signal as its last gap; one of 100 ms
        // goes on; a comment line names the signal after it.
        form_case{"mode2_splits_at_long_spaces_and_timeouts", "mode2",
                  "pulse 10\nspace 20\npulse 30\nspace 100001\n# b\\x09\npulse 40\ntimeout 9\npulse 50\nspace 100000\n"
                  "pulse 60\n",
                  ": 10 20 30 100001\nb\t: 40\n: 50 100000 60\n"},
        form_case{"ir_ctl_over_lines_and_words", "ir-ctl",
                  "+2400 -600 1200 -600\n+600 -600\n+1200 # timeout 30000\ncarrier 40000\npulse 5\nspace 6\n\n"
                  "pulse 7\n",
                  ": 2400 600 1200 600 600 600 1200\n: 5 6\n: 7\n"},
        form_case{"raw_unit", "raw", "3 1 1\n", ": 150 50 50\n", read_settings{50}},
        // Signal K of remote R: pre_data 0x1 (2 bits) and the code 0x3
        // (4 bits), REVERSE: least significant first; a leading pulse that
        // joins the first bit's, a trailing pulse, and the foot, a space and
        // a pulse.
        form_case{"lirc_pre_data_reverse_lead_trail_foot", "lirc",
                  "begin remote\n name R\n bits 4\n flags SPACE_ENC|REVERSE\n header 900 450\n one 56 169\n"
                  " zero 56 56\n plead 100\n ptrail 56\n foot 300 200\n pre_data_bits 2\n pre_data 0x1\n"
                  " gap 1000\n begin codes\n  K 0x3 # comment\n end codes\nend remote\n",
                  "R K: 900 450 156 169 56 56 56 169 56 169 56 56 56 56 56 200 300 1000\n"},
        // A tick dump: 50 µs ticks with the gap before the signal first.
        form_case{"c_array_ticks_with_leading_gap", "c-array",
                  "unsigned int  rawData[8] = {18281, 67,33, 8,8, /* gap */ 8,25, 8};\n"
                  "const uint16_t other[3] PROGMEM =\n{\n 90, // an odd count keeps its first value\n 2, 3 };\n",
                  "rawData: 3350 1650 400 400 400 1250 400\nother: 4500 100 150\n", read_settings{50}},
        form_case{"c_array_timing_block", "c-array",
                  "Protocol=NEC Address=0x4\nTiming[5]:\n     +3350, -1650     + 400, - 400\n     + 400\nDone\n",
                  "Timing: 3350 1650 400 400 400\n"},
        // Ticks of 2^-15 s: 109 is 3326 µs, 55 1678, 14 427, 41 1251 and
        // 0x0D05 101715; a repeat count of 1 makes two copies.
        form_case{"broadlink_hex", "broadlink", "\"key\": \"26010A006D370E0E0E290E000D050000\"\n",
                  "key: 3326 1678 427 427 427 1251 427 101715, repeats 1\n"},
        // 38 kHz: 128 cycles are 3368 µs, 64 1684, 16 421, 48 1263 and 1000
        // 26316; repeat 2 from offset 3 sends times 3 to 8 again.
        form_case{"sendir_repeats_from_its_offset", "sendir", "sendir,1:1,1,38000,2,3,128,64,16,16,16,48,16,1000\r\n",
                  ": 3368 1684 421 421 421 1263 421 26316 421 421 421 1263 421 26316, 38000 Hz\n"},
        // 40 kHz (F = 0x68): 0x60 cycles are 2409 µs, 0x18 602, 0x30 1204
        // and the lead-out of 0x702 cycles 45011.
        form_case{"pronto_learned_code", "pronto",
                  "0000 0068 0000 000D 0060 0018 0030 0018 0018 0018 0030 0018 0018 0018 0030 0018 0018 0018 "
                  "0018 0018 0030 0018 0018 0018 0018 0018 0018 0018 0018 0702\n",
                  ": 2409 602 1204 602 602 602 1204 602 602 602 1204 602 602 602 602 602 1204 602 602 602 602 602 602 "
                  "602 602 45011, 39857 Hz\n"},
        // As people paste them: an array sized by a macro the text defines,
        // behind the quote marks of an issue; a code set's line with its
        // comma; a Pronto code wrapped over lines; a LIRC file whose first
        // line was damaged.
        form_case{"c_array_sized_by_a_macro_and_quoted", "c-array",
                  "#define RAW_DATA_LEN 3\n> uint16_t rawData[RAW_DATA_LEN]={\n> 9000, 4500,\n>> 560};\n",
                  "rawData: 9000 4500 560\n"},
        form_case{"broadlink_line_of_a_code_set", "broadlink", "    \"off\": \"JgAEAG03DSgAAAAA\",\n",
                  "off: 3326 1678 397 1221\n"},
        form_case{"pronto_wrapped_over_lines", "pronto",
                  "0000 0068 0000 0002\n 0060 0018\n 0030 0702\n0000 0068 0000 0001 0010\n\n",
                  ": 2409 602 1204 45011, 39857 Hz\nleft out: line 4: the code has 5 words, its counts say 6\n"},
        form_case{"lirc_first_line_damaged", "lirc",
                  "bgin remote\n name R\n bits 2\n one 1 2\n zero 3 4\n begin codes\n  K 0x2\n end codes\nend remote\n",
                  "note: line 1: no 'begin remote' before it; read as the start of a remote\nR K: 1 2 3 4\n"},
        form_case{"flipper_raw_signal", "flipper",
                  "Filetype: IR signals file\nVersion: 1\n#\nname: Power\ntype: raw\nfrequency: 38000\n"
                  "duty_cycle: 0.330000\ndata: 9000 4500 560\n",
                  "Power: 9000 4500 560, 38000 Hz, duty 330000\n"},
        form_case{"raw_two_short_lines_are_two_signals", "raw", "100 200\n100 200\n", ": 100 200\n: 100 200\n"},
        form_case{"raw_three_short_lines_of_one_count_are_a_cut_signal", "raw", "100 200\n100 200\n100 200\n",
                  ": 100 200\n: 100 200\nstops: " + kRawCut},
        form_case{"raw_named_short_lines_are_signals", "raw", "a: 100 200\nb: 100 200\nc: 100 200\n",
                  "a: 100 200\nb: 100 200\nc: 100 200\n"},
        // 42949672 × 50 µs is 2147483600 µs, the longest under 2^31; one
        // more count passes it.
        form_case{"c_array_unit_up_to_the_longest_duration", "c-array", "int a[] = {42949672, 1, 1};\n",
                  "a: 2147483600 50 50\n", read_settings{50}},
        form_case{"c_array_unit_past_the_longest_duration", "c-array", "int a[] = {42949673, 1, 1};\n",
                  "left out: line 1, column 5: a holds a duration over 2147483647 microseconds\n", read_settings{50}},
        form_case{"raw_unit_past_the_longest_duration", "raw", "42949673 1\n",
                  "left out: line 1, column 1: duration over 2147483647 microseconds: '42949673'\n", read_settings{50}},
        // JSON and YAML code sets: names from the paths, what is not a code
        // passed over, the carrier and repeats from around a code.
        form_case{
            "json_code_set", "json",
            "{\"manufacturer\": \"X\", \"supportedModels\": [\"A 1\"], \"minTemperature\": 16,\n"
            " \"commandsEncoding\": \"Raw\",\n \"commands\": {\"off\": [9000, -4500, 560],\n"
            "  \"heat\": {\"low\": {\"16\": \"100,200,300\"}}, \"on\": \"sendir,1:1,1,40000,1,1,96,24,48,24\"}}\n",
            "off: 9000 4500 560\nheat/low/16: 100 200 300\non: 2400 600 1200 600, 40000 Hz\n"},
        form_case{"json_code_of_many_repeats", "json", "{\"x\": \"JiAEAG03DSgAAAAA\"}",
                  "x: 3326 1678 397 1221, repeats 32\n"},
        form_case{"json_stored_codes_and_toggles", "json",
                  "{\"version\": 1, \"key\": \"broadlink_remote_x_codes\", \"data\": {\"tv\": {\"power\": "
                  "\"260006006432190000AA\", \"vol\": [\"b64:JgAEAG03DSgAAAAA\", \"0000 006D 0000 0001 0010 0020\"]}}}",
                  "tv/power: 3052 1526 763 5188\ntv/vol/1: 3326 1678 397 1221\ntv/vol/2: 421 841, 38029 Hz\n"},
        form_case{
            "json_values_of_a_binding_and_a_logged_capture", "json",
            "[{\"POWER\": {\"class\": \"java.lang.String\", \"value\": \"b64:JgAEAG03DSgAAAAA\"}},\n"
            " {\"IrReceived\": {\"Protocol\": \"NEC\", \"RawData\": [9000, 4500, 560], \"RawDataInfo\": [3, 3, 0]}}]",
            "1/POWER: 3326 1678 397 1221\n2/IrReceived: 9000 4500 560\n"},
        form_case{"json_bad_code_left_out_and_leading_gap_dropped", "json",
                  "{\"commandsEncoding\": \"Base64\", \"commands\": {\"a\": \"JgAEAG03\",\n"
                  "\"b\": \"xyz\"}, \"c\": {\"code\": [-30000, 100, -200, 300]}, \"d\": {\"code\": [5, 0, 5]}}",
                  "left out: line 1: a: not a broadlink code: the code says 4 bytes of durations, and holds 2\n"
                  "left out: line 2: b: not a broadlink code: a code shorter than its 4-byte head\nc: 100 200 "
                  "300\nleft out: line 2: d: a zero duration\n"},
        // A list under a code's key that holds what no duration is, is left
        // out with why; a list elsewhere is no code, even with the encoding
        // "Raw"; a name given around the codes' own keys does not hide them,
        // and a code's label may come after it.
        form_case{"json_lists_names_and_labels", "json",
                  "{\"commandsEncoding\": \"Raw\", \"name\": \"TV\", \"temps\": [16, 17],\n"
                  "\"commands\": {\"power\": [100, -200, 300], \"a\": {\"code\": [9000, -4500.5, 560]},\n"
                  "\"b\": {\"code\": [9000, \"x\"]}, \"c\": {\"code\": [1, 2, 3], \"name\": \"Mute\"}}}",
                  "power: 100 200 300\nleft out: line 2: a: not a duration: '-4500.5'\n"
                  "left out: line 3: b: a list of durations holds 'x'\nMute: 1 2 3\n"},
        form_case{"yaml_nested_too_deep", "yaml",
                  "a:\n" +
                      [] {
                          std::string nested;
                          for (int i = 1; i < 600; ++i)
                              nested += std::string(static_cast<std::size_t>(i), ' ') + "b:\n";
                          return nested;
                      }(),
                  "stops: line 256: nested deeper than 256 levels"},
        form_case{"json_syntax", "json", "{\"a\": [1, 2,\n ]}",
                  "stops: line 2, column 2: not JSON: syntax error while parsing value - unexpected ']'; expected "
                  "'[', '{', or a literal"},
        form_case{"json_nested_too_deep", "json", std::string(300, '['),
                  "stops: line 1: nested deeper than 256 levels"},
        form_case{"yaml_microcontroller_buttons", "esphome",
                  "esphome:\n  name: ir\nbutton:\n  - platform: template\n    name: \"TV \\x09 power\"\n"
                  "    on_press:\n      - remote_transmitter.transmit_raw:\n          code: [9000, -4500, 560]\n"
                  "          repeat: {times: 3}\n          carrier_frequency: 38kHz\n"
                  "      - remote_transmitter.transmit_pronto:\n          data: \"0000 006D 0000 0001 0010 0020\"\n"
                  "  - platform: template\n    name: Mute\n    on_press:\n      - remote_transmitter.transmit_raw:\n"
                  "          code: [100, -0, 300]\n",
                  "TV \t power: 9000 4500 560, repeats 2, 38000 Hz\nTV \t power/2: 421 841, 38029 Hz\n"
                  "left out: line 17: Mute: a zero duration\n"},
        form_case{"yaml_scripts_and_dashboards", "yaml",
                  "tv_on:\n  alias: TV on\n  sequence:\n    - service: remote.send_command\n      data:\n"
                  "        command: b64:JgAEAG03DSgAAAAA\n---\ncards:\n  - tap_action:\n      service_data:\n"
                  "        packet: [\"JgAEAG03DSgAAAAA\", &x turn_on, *x]\n",
                  "TV on: 3326 1678 397 1221\ncards/1/tap_action/service_data/packet/1: 3326 1678 397 1221\n"},
        form_case{"yaml_comma_where_no_value_starts", "yaml", "{a: 1}\n,\n- b\n",
                  "stops: line 2, column 1: not YAML: no value starts here"},
        form_case{"yaml_syntax", "yaml", "a:\n  b: [1, 2\nc: 3\n",
                  "stops: line 3, column 2: not YAML: end of sequence flow not found"},
        form_case{"mode2_two_pulses", "mode2", "pulse 100\npulse 200\n",
                  "left out: line 2, column 1: a pulse where a space must be\n"},
        form_case{"mode2_garbage_after_the_first_pulse", "mode2", "Using device /dev/lirc0\npulse 1\nfoo 2\n",
                  "left out: line 3, column 1: expected 'pulse N', 'space N', 'timeout N' or 'carrier N'\n"},
        form_case{"mode2_zero", "mode2", "pulse 0\n", "left out: line 1, column 7: zero duration\n"},
        form_case{"ir_ctl_gap_first", "ir-ctl", "\n-100 +200\n",
                  "left out: line 2, column 1: a gap where a burst must be\n"},
        form_case{"ir_ctl_scancode", "ir-ctl", "scancode nec:0x4\n",
                  "left out: line 1, column 1: expected '+N', '-N', 'pulse N' or 'space N'\n"},
        form_case{"raw_zero", "raw", "100,0,100\n", "left out: line 1, column 5: zero duration\n"},
        form_case{"raw_too_large", "raw", "2147483648\n",
                  "left out: line 1, column 1: duration over 2147483647 microseconds: '2147483648'\n"},
        form_case{
            "raw_sendir_line", "raw", "sendir,1:1,1,40000,1,1,96,24\n",
            "left out: line 1, column 1: a name with ',' in it: 'sendir,1' (a sendir command: use --from sendir)\n"},
        form_case{"raw_line_ending_with_a_separator", "raw", "100, 200, 300,\n400\n",
                  "left out: line 1, column 14: the line ends with ',': raw takes one signal a line (join its lines, "
                  "or try --from c-array)\n: 400\n"},
        form_case{"pronto_not_learned", "pronto", "0100 0068 0000 0001 0010 0010\n",
                  "left out: line 1, column 1: only learned Pronto codes (first word 0000) are read\n"},
        form_case{"pronto_zero_count", "pronto", "0000 0068 0000 0001 0010 0000\n",
                  "left out: line 1, column 26: zero duration\n"},
        // F = 1: a count of 2 lasts 0.48 µs and rounds to nothing.
        form_case{"pronto_count_under_half_a_microsecond", "pronto", "0000 0001 0000 0001 0010 0002\n",
                  "left out: line 1, column 26: a count of under half a microsecond\n"},
        form_case{"lirc_unended_remote", "lirc", "begin remote\n name TV\n",
                  "stops: line 1: remote TV has no 'end remote'"},
        form_case{"lirc_bad_code", "lirc", "begin remote\n begin codes\n  K 0xZZ\n end codes\nend remote\n",
                  "left out: line 3, column 5: not a code: '0xZZ'\n"},
        form_case{"c_array_not_a_number", "c-array", "int a[] = {1, two};\n",
                  "left out: line 1, column 15: not a number in a: 'two'\n"},
        form_case{"c_array_unclosed", "c-array", "int a[] = {1, 2\n",
                  "left out: line 1, column 5: a has no closing '}'\n"},
        form_case{"flipper_bad_address", "flipper",
                  "Filetype: IR signals file\nVersion: 1\n#\nname: a\ntype: parsed\nprotocol: NEC\naddress: 4 0\n",
                  "left out: line 7, column 10: expected four hex bytes: '4 0'\n"},
        form_case{"flipper_raw_without_data", "flipper", "Filetype: IR signals file\n#\nname: a\ntype: raw\n",
                  "left out: line 3: signal 'a' has no 'data:'\n"},
        // Files joined: each "Filetype:" starts the next file; one of another
        // kind is passed over.
        form_case{"flipper_files_joined", "flipper",
                  "Filetype: IR signals file\nVersion: 1\n#\nname: a\ntype: raw\ndata: 1 2 3\n"
                  "Filetype: IR library file\nVersion: 1\n#\nname: b\ntype: raw\ndata: 4 5 6\n"
                  "Filetype: Flipper SubGhz RAW File\nVersion: 1\nProtocol: RAW\n#\nname: c\n"
                  "Filetype: IR signals file\nname: d\ntype: raw\ndata: 7\n",
                  "a: 1 2 3\nb: 4 5 6\nleft out: line 13, column 1: a file of another kind, passed over: 'Filetype: "
                  "Flipper SubGhz RAW File'\nd: 7\n"},
        form_case{"flipper_first_line_missing", "flipper", "Version: 1\n#\nname: a\ntype: raw\ndata: 1 2 3\n",
                  "note: line 1: not 'Filetype: IR signals file'; the rest reads as a Flipper file\na: 1 2 3\n"},
        form_case{"flipper_first_line_damaged", "flipper",
                  "\xEF\xBB\xBF"
                  "Filetype: IR signals fi\nname: a\ntype: raw\ndata: 1 2 3\n#\nname: b\ntype: x\n",
                  "note: line 1: not 'Filetype: IR signals file'; the rest reads as a Flipper file\na: 1 2 3\n"
                  "left out: line 6: signal 'b' has type 'x' (raw or parsed)\n"},
        form_case{"flipper_no_flipper_line", "flipper", "hello\nworld\n",
                  "stops: line 1, column 1: not a Flipper infrared file: the first line is not 'Filetype: IR signals "
                  "file'"},
        form_case{"flipper_first_line_damaged_and_no_signal_reads", "flipper", "Filetype: x\nname: a\ntype: raw\n",
                  "stops: line 1, column 1: not a Flipper infrared file: the first line is not 'Filetype: IR signals "
                  "file'"},
        // Values as collections hold them: one-digit bytes are read; a
        // three-digit byte and a hex number leave their signal out only.
        form_case{"flipper_malformed_values", "flipper",
                  "Filetype: IR signals file\n#\nname: a\ntype: parsed\nprotocol: RCA\naddress: 125 00 00 00\n"
                  "command: 00 00 00 00\n#\nname: b\ntype: parsed\nprotocol: NEC\naddress: 0x FF A2 5D\n#\n"
                  "name: c\ntype: parsed\nprotocol: RCA\nfrequency: 56000\naddress: f 0 0 0\ncommand: 54 0 00 0\n",
                  "left out: line 6, column 10: not a hex byte: '125' (a value is four, as '04 00 00 00')\n"
                  "left out: line 12, column 10: a hex number where four hex bytes must be, as '04 00 00 00': "
                  "'0x FF A2 5D'\nc:" +
                      pulses({4000, 4000}, 500, 2000, 1000, "1111 00101010 0000 11010101", 8000) + ", 56000 Hz\n"},
        form_case{"broadlink_short_code", "broadlink", "x: 2600100001020304\n",
                  "left out: line 1, column 4: the code says 16 bytes of durations, and holds 4\n"},
        form_case{"broadlink_not_a_code", "broadlink", "x: Jg!!\n",
                  "left out: line 1, column 4: not a base64 or hex code: 'Jg!!'\n"},
        form_case{"sendir_odd_times", "sendir", "sendir,1:1,1,38000,1,1,10,10,10\n",
                  "left out: line 1: a sendir command holds an ID, a frequency, a repeat count, an offset and pairs of "
                  "on and off times\n"}),
    [](const ::testing::TestParamInfo<form_case>& info) { return std::string(info.param.name); });

struct parsed_case {
    const char* protocol;
    const char* address;
    const char* command;
    std::string durations;  // worked out by hand from the protocol's timing
    unsigned carrier;       // Hz, the protocol's
};

void PrintTo(const parsed_case& c, std::ostream* os) { *os << c.protocol; }

class FlipperParsed : public ::testing::TestWithParam<parsed_case> {};

TEST_P(FlipperParsed, EncodesTheHandWorkedFrame) {
    const parsed_case& c = GetParam();
    const std::string text =
        std::string("Filetype: IR signals file\nVersion: 1\n#\nname: k\ntype: parsed\nprotocol: ") + c.protocol +
        "\naddress: " + c.address + "\ncommand: " + c.command + "\n";
    EXPECT_EQ(read_as({"", "flipper", text, ""}), "k:" + c.durations + ", " + std::to_string(c.carrier) + " Hz\n");
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, FlipperParsed,
    ::testing::Values(
        // 14 bits 1 1 0 00000 010000 in halves of 889 µs (a 1 is a gap, then
        // a burst; the first gap is not sent); the last gap fills 114 ms.
        parsed_case{"RC5", "00 00 00 00", "10 00 00 00",
                    " 889 889 1778 889 889 889 889 889 889 889 889 889 889 889 889 1778 1778 889 889 889 889 889 889 "
                    "90886",
                    36000},
        // 1 0 0 00101 110101: command 0x35 of the extended set (field bit 0).
        parsed_case{"RC5X", "05 00 00 00", "35 00 00 00",
                    " 1778 889 889 889 889 889 889 1778 1778 1778 889 889 889 889 1778 1778 1778 1778 889 89997",
                    36000},
        // Leader 2664/888, start 1 and mode 000 (a 1 is a burst, then a gap),
        // the toggle bit in halves of 888, address 00000000, command
        // 00001100; the frame fills 107 ms.
        parsed_case{"RC6", "00 00 00 00", "0C 00 00 00",
                    " 2664 888 444 888 444 444 444 444 444 888 888" + repeated(" 444 444", 11) +
                        " 444 888 444 444 888 444 444 444 83912",
                    36000},
        // 07 07 02 FD, each byte least significant bit first; 60150 µs
        // of frame, then 47850 to 108 ms.
        parsed_case{"Samsung32", "07 00 00 00", "02 00 00 00",
                    pulses({4500, 4500}, 550, 1650, 550, "11100000 11100000 01000000 10111111", 47850), 38000},
        // Vendor 0x2002 (02 20), parity 0 under genre 1 = 8 (80), genre 2 = 0
        // under command bits 0-3 = 0 (00), command bits 4-9 = 0x3D under id 0
        // (3D), check 80 ^ 00 ^ 3D = BD; 59184 µs, then 70816 to 130 ms.
        parsed_case{
            "Kaseikyo", "80 02 20 00", "D0 03 00 00",
            pulses({3456, 1728}, 432, 1296, 432, "01000000 00000100 00000001 00000000 10111100 10111101", 70816),
            38000},
        // Vendor 0x1234 (34 12), parity 3 ^ 4 ^ 1 ^ 2 = 4 under genre 1 = 5
        // (54), genre 2 = A under command bits 0-3 = 7 (7A), command bits
        // 4-9 = 0x2C under id 2 (AC), check 54 ^ 7A ^ AC = 82; 63504 µs.
        parsed_case{
            "Kaseikyo", "5A 34 12 02", "C7 02 00 00",
            pulses({3456, 1728}, 432, 1296, 432, "00101100 01001000 00101010 01011110 00110101 01000001", 66496),
            38000},
        // 13-bit address 0x00A3, its inverse, command 0x5C, its inverse:
        // 21 ones and 21 zeros, 84830 µs, then 25170 to 110 ms.
        parsed_case{"NEC42", "A3 00 00 00", "5C 00 00 00",
                    pulses({9000, 4500}, 560, 1690, 560, "1100010100000 0011101011111 00111010 11000101", 25170),
                    38000},
        // 26-bit address 0x1234567, 16-bit command 0xBEEF: 25 ones, 17
        // zeros, 89350 µs.
        parsed_case{"NEC42ext", "67 45 23 01", "EF BE 00 00",
                    pulses({9000, 4500}, 560, 1690, 560, "11100110101000101100010010 1111011101111101", 20650), 38000},
        parsed_case{"Pioneer", "AA 00 00 00", "1C 00 00 00",
                    pulses({8500, 4225}, 500, 1500, 500, "01010101 10101010 00111000 11000111", 26500), 40000},
        // 4-bit address F, command 0x54, then both inverted.
        parsed_case{"RCA", "0F 00 00 00", "54 00 00 00",
                    pulses({4000, 4000}, 500, 2000, 1000, "1111 00101010 0000 11010101", 8000), 38000}),
    [](const ::testing::TestParamInfo<parsed_case>& info) {
        return std::string(info.param.protocol) + "_" + std::to_string(info.index);
    });

// --from auto takes a Flipper file without its first line for one when it
// reads cleanly, and nothing else that starts as one.
TEST(FlipperRecognise, AFileWithoutItsFirstLineWhenItReadsCleanly) {
    const auto form_of = [](const char* text) {
        const signal_form* form = recognise_form(text);
        return form == nullptr ? std::string("none") : std::string(form->name);
    };
    EXPECT_EQ(form_of("Version: 1\n#\nname: a\ntype: raw\ndata: 1 2 3\n"), "flipper");
    EXPECT_EQ(form_of("# Remote\nname: a\ntype: parsed\nprotocol: RC6\naddress: 0 0 0 0\ncommand: 0C 0 0 0\n"),
              "flipper");
    EXPECT_EQ(form_of("Version: 1\nname: a\ntype: raw\ndata: 1 x\n"), "none");
}

// A parsed SIRC signal of each width carries its command's 7 bits and every
// bit of its address, least significant first, as the widths of its bursts
// after the header (1200 µs a 1, 600 a 0).
TEST(FlipperSirc, EncodesEveryBitOfTheAddress) {
    const struct {
        const char* protocol;
        unsigned address_bits;
    } widths[] = {{"SIRC", 5}, {"SIRC15", 8}, {"SIRC20", 13}};
    for (const auto& w : widths) {
        for (const unsigned address : {0x0u, 0x1u, 0x15u, 0xA5u, 0xFFu, 0x1ABCu, 0x1FFFu}) {
            const unsigned command = (address * 37 + 11) & 0x7F;
            char text[256];
            std::snprintf(text, sizeof text,
                          "Filetype: IR signals file\nVersion: 1\n#\nname: k\ntype: parsed\nprotocol: %s\n"
                          "address: %02X %02X 00 00\ncommand: %02X 00 00 00\n",
                          w.protocol, address & 0xFF, address >> 8, command);
            std::vector<ir_signal> signals;
            import_error error;
            ASSERT_TRUE(read_all_signals(*find_form("flipper"), text, {}, signals, nullptr, error)) << error.message;
            ASSERT_EQ(signals.size(), 1u);
            const std::vector<std::uint32_t>& d = signals[0].durations;
            ASSERT_EQ(d.size(), 2 + 2 * (7 + w.address_bits)) << w.protocol;
            unsigned bits = 0;
            for (unsigned i = 0; i < 7 + w.address_bits; ++i) bits |= (d[2 + 2 * i] == 1200 ? 1u : 0u) << i;
            const unsigned expected = command | (address & ((1u << w.address_bits) - 1)) << 7;
            EXPECT_EQ(bits, expected) << w.protocol << " address " << address;
        }
    }
}

// Random signals written by each form that writes and read back by it
// (compare_read_back says what must hold), and laid out as records and
// read back from them: signals of one to five frames, some longer than a
// record, with names, carriers, duty cycles and repeats.
TEST(FormRoundTrip, SignalsComeBackAsTheyWent) {
    std::mt19937 random(20261210);
    const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    for (int round = 0; round < 40; ++round) {
        std::vector<ir_signal> sent;
        for (int k = 0; k < 12; ++k) {
            ir_signal s{k % 5 == 0 ? "" : "key " + std::to_string(k) + (k % 3 == 0 ? " \\x1B\"" : ""), 0, {}};
            const std::uint32_t frames = 1 + below(5), length = 1 + 2 * below(k % 4 == 0 ? 600 : 120);
            for (std::uint32_t f = 0; f < frames; ++f) {
                if (f > 0) s.durations.push_back(5000 + below(120000));
                const std::size_t start = s.durations.size();
                for (std::uint32_t i = 0; i < length; ++i)
                    s.durations.push_back(f > 0 && below(2) == 0 ? s.durations[start - length - 1 + i]
                                                                 : 1 + below(below(4) == 0 ? 4900 : 2000));
            }
            if (below(2) == 0) s.durations.push_back(1 + below(200000));  // the last gap
            s.carrier = below(2) == 0 ? 0 : 30000 + below(30000);
            s.duty = below(2) == 0 ? 0 : 1 + below(1000000);
            s.repeats = below(3) == 0 ? below(4) : 0;
            sent.push_back(s);
        }
        SCOPED_TRACE("round " + std::to_string(round));
        layout_options layout;
        if (round % 4 == 3) layout.frame_gap = 0;
        EXPECT_EQ(compare_laid_out(sent, layout), "");
        for (const signal_form* form : signal_forms()) {
            if (form->write_signal == nullptr) continue;
            std::vector<ir_signal> written;
            EXPECT_EQ(compare_read_back(*form, write_signals(*form, sent, written), written, true), "");
        }
    }
}

}  // namespace
