// The forms read from logs and exports (esphome-log, tasmota,
// control-tower) and openHAB's maps in the broadlink form: small inputs to
// the signals, skips and notes they give, the examples against every
// recogniser, and the IRsend writer.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/form_checks.h"
#include "tests/harness.h"
#include "tools/forms/registry.h"

namespace {

// Everything a reader gives for `text`, a line each: "NAME@LINE[ HZ]: D D
// ...", "skip LINE:COLUMN MESSAGE", "note NOTE", and "refused ..." last.
std::string read_out(std::string_view form, std::string_view text) {
    std::string out;
    const auto place = [](const import_error& e) {
        return std::to_string(e.line) + ":" + std::to_string(e.column) + " " + e.message + "\n";
    };
    signal_sink sink{[&](ir_signal& s) {
                         out += s.name + "@" + std::to_string(s.line) +
                                (s.carrier != 0 ? " " + std::to_string(s.carrier) : "") + ":";
                         for (const std::uint32_t d : s.durations) out += " " + std::to_string(d);
                         out += "\n";
                     },
                     [&](const import_error& e) { return out += "skip " + place(e), true; },
                     [&](const std::string& note) { out += "note " + note + "\n"; }};
    text_source source = text_source_of(text);
    import_error error;
    if (!find_form(form)->read(source, read_settings{}, sink, error)) out += "refused " + place(error);
    return out;
}

struct read_case {
    const char* form;
    std::string text;
    std::string out;
};

class LogForms : public ::testing::TestWithParam<read_case> {};

TEST_P(LogForms, ReadAsTheirFormsSay) { EXPECT_EQ(read_out(GetParam().form, GetParam().text), GetParam().out); }

const std::string kPrefix = "[12:00:01][I][remote.raw:041]: ";  // the message starts at column 32
const std::string kWords = "0000 006D 0002 0000 0010 0020 0015 0400";

INSTANTIATE_TEST_SUITE_P(
    Rows, LogForms,
    ::testing::Values(
        // esphome-log
        read_case{"esphome-log", "INFO Reading configuration\n" + kPrefix + "Received Raw: 9000, -4500, 560, -560, 560\n",
                  "@2: 9000 4500 560 560 560\n"},
        read_case{"esphome-log",
                  "# vol up\n\x1b[0;32m[D][remote.raw:041]: Received Raw: 900, -450, \x1b[0m\n"
                  "\x1b[0;32m[D][remote.raw:041]:   560, -1690, 560\x1b[0m\n[I][remote.nec:070]: Received NEC\n",
                  "vol up@2: 900 450 560 1690 560\n"},
        read_case{"esphome-log", "# named\n[I][app:100]: other\n" + kPrefix + "Received Raw: -7000, 100, 50, -200, 300\n",
                  "@3: 150 200 300\n"},
        read_case{"esphome-log",
                  kPrefix + "Received Raw: 100, -200, \n[I][remote.nec:070]: x\n" + kPrefix + "Received Raw: 5, -6, 7\n" +
                      kPrefix + "Received Raw: 8, \n",
                  "skip 1:0 a raw dump cut short: its last line ends with ','\n@3: 5 6 7\n"
                  "skip 4:0 a raw dump cut short: its last line ends with ','\n"},
        read_case{"esphome-log",
                  kPrefix + "Received Raw: 100, -2x0, \n" + kPrefix + "  300\n" + kPrefix + "Received Raw: 0\n" + kPrefix +
                      "  4\n" + kPrefix + "Received Raw: 7\n",
                  "skip 1:52 not a number: '2x0'\nskip 3:46 zero duration\n@5: 7\n"},
        read_case{"esphome-log",
                  "[I][remote.pronto:229]: Received Pronto: data=" + kWords +
                      "\n# pause\n[I][remote.pronto:229]: Received Pronto: data=\n[I][remote.pronto:237]: 0000 006D "
                      "0001 \n[I][remote.pronto:237]: 0000 0010 0020\n",
                  "@1 38029: 421 841 552 26927\npause@3 38029: 421 841\n"},
        read_case{"esphome-log",
                  "[I][remote.pronto:229]: Received Pronto: data=0000 006D 0002 0000 0010\n[I][x:1]: y\n"
                  "[I][remote.pronto:229]: Received Pronto: data=0000 0G6D\n",
                  "skip 1:0 the Pronto dump: the code has 5 words, its counts say 8\n"
                  "skip 3:52 not a Pronto word (four hex digits): '0G6D'\n"},
        // tasmota
        read_case{"tasmota",
                  "{\"IrReceived\":{\"Protocol\":\"PIONEER\",\"Bits\":64,"
                  "\"RawData\":[+8570-4240+550-1580C-510+565-1565F-505Fh],\"RawDataInfo\":[12,12,0]}}\n",
                  "@1: 8570 4240 550 1580 550 510 565 1565 565 505 565 505\n"},
        read_case{"tasmota",
                  "12:00:00.101 MQT: tele/ir/RESULT = {\"IrReceived\":{\"Protocol\":\"UNKNOWN\",\"RawData\":[9000, "
                  "4500,560]}}\n# tv\n12:00:02.000 MQT: tele/ir/RESULT = {\"IrReceived\":{\"Protocol\":\"NEC\","
                  "\"Bits\":32,\"Data\":\"0x20DF\x1b[2J\"}}\n{\"IrReceived\":{}}\n",
                  "@1: 9000 4500 560\nnote line 3: a signal received as a protocol (Protocol 'NEC', Bits '32', "
                  "Data '0x20DF\\x1B[2J') without RawData; left out\nnote line 4: a signal received as a protocol "
                  "(none named) without RawData; left out\n"},
        read_case{"tasmota",
                  "# power\nIRsend 0,+100-200A\nirsend1 36,100,200,300\n12:00 CMD: IRSEND 40000,+5-6A\n"
                  "IRsend raw,0,8570,4240,550,0101\nIRsend {\"Protocol\":\"NEC\",\"Bits\":32,\"Data\":1}\n",
                  "power@2 38000: 100 200 100\n@3 36000: 100 200 300\n@4 40000: 5 6 5\nnote line 5: an IRsend of a "
                  "bit stream, not of durations; left out\nnote line 6: an IRsend of a protocol's code, not of "
                  "durations; left out\n"},
        read_case{"tasmota",
                  "IRsend 0,+100b\nIRsend 0,+100+200\nIRsend 0,-100\nIRsend 5,100\nIRsend 0\nIRsend 0,100,,200\n"
                  "IRsend 0,100,\nIRsend 0,+100-0\nIRsend 0,+10*\n{\"IrReceived\":{\"RawData\":[1,2\n"
                  "{\"IrReceived\":{\"RawData\":5}}\n{\"IrReceived\":{\"RawData\":[]}}\n",
                  "skip 1:14 the letter 'b' before the duration it stands for\nskip 2:14 a burst where a gap must be\n"
                  "skip 3:10 a gap where a burst must be\nskip 4:8 a carrier frequency outside 15 to 500 kHz: '5'\n"
                  "skip 5:8 expected 'IRsend FREQ,DURATIONS': '0'\nskip 6:14 an empty field before ','\n"
                  "skip 7:13 an empty field after the last ','\nskip 8:15 zero duration\n"
                  "skip 9:13 not a compact duration ('+N', '-N' or a letter): '*'\n"
                  "skip 10:26 RawData without its closing ']' (a log line cut short?)\n"
                  "skip 11:26 expected '[' after \"RawData\":\nskip 12:26 RawData without durations\n"},
        // control-tower
        read_case{"control-tower",
                  "function, code1, hexcode1, code2, hexcode2\n\n\"POWER \"\"ON\"\", 1\",\"sendir,1:1,1,40000,1,1,"
                  "96,24,48,24\",\"0000 0068\",,\nMUTE,,\"" + kWords + "\" ,\n",
                  "POWER \"ON\", 1@3 40000: 2400 600 1200 600\nMUTE@4 38029: 421 841 552 26927\n"},
        read_case{"control-tower",
                  "function,code1,hexcode1\n\"A\",,\n\"B\",\"sendir,1:1,1,38000,1,1,0,5\",\n\"C\",\"hello\"\n"
                  "\"D,sendir\n\"E\" x,\"0000\"\n\"F\",\"0000 006D 0001 0000 0010\"\n",
                  "skip 2:0 a row without a code\n"
                  "skip 3:5 the code1 column: a time outside 1 to 65535 carrier cycles\n"
                  "skip 4:5 the code1 column holds neither a sendir command nor a learned Pronto code: 'hello'\n"
                  "skip 5:1 a quoted field not closed on its line (a row broken over lines is not read)\n"
                  "skip 6:5 text after a quoted field's closing '\"'\n"
                  "skip 7:5 the code1 column: the code has 5 words, its counts say 6\n"},
        read_case{"control-tower", "\"POWER\",\"sendir,1:1,1,38000,1,1,5,5\"\n",
                  "refused 1:1 expected the header row, 'function' and code columns ('function, code1, hexcode1, "
                  "...')\n"},
        // broadlink, openHAB's maps
        read_case{"broadlink",
                  "# openHAB\nPOWER=JgABABA=\nJgABABA=\nMUTE = 2600010010\n\"a=b\"=JgABABA=\nb64:JgABABA=\n"
                  "x=JgABABA==\n\"q\" JgABABA=\n",
                  "POWER@2: 488\n@3: 488\nMUTE@4: 488\na=b@5: 488\n@6: 488\nx@7: 488\n"
                  "skip 8:5 expected ':' or '=' after the quoted name\n"}),
    [](const ::testing::TestParamInfo<read_case>& info) {
        std::string name = info.param.form;
        for (char& c : name)
            if (c == '-') c = '_';
        return name + "_" + std::to_string(info.index);
    });

// The compact form's published example, whole: the 135 durations its
// RawDataInfo counts, the header of each of the two frames as it says.
TEST(TasmotaCompact, ReadsThePublishedExample) {
    const std::string text =
        "{\"IrReceived\":{\"RawData\":[+8570-4240+550-1580C-510+565-1565F-505Fh+570gFhIdChIgFeFgFgIhFgIhF-525C-"
        "1560IhIkI-520ChFhFhFgFhIkIhIgIgIkIkI-25270A-4225IkIhIgIhIhIkFhIkFjCgIhIkIkI-500IkIhIhIkFhIgIl+545hIhIoIgIhIk"
        "FhFgIkIgFgI],\"RawDataInfo\":[135,135,0]}}\n";
    std::vector<ir_signal> signals;
    import_error error;
    ASSERT_TRUE(read_all_signals(*find_form("tasmota"), text, read_settings{}, signals, nullptr, error))
        << error.message;
    ASSERT_EQ(signals.size(), 1u);
    const std::vector<std::uint32_t>& d = signals[0].durations;
    ASSERT_EQ(d.size(), 135u);
    EXPECT_EQ(std::vector<std::uint32_t>(d.begin(), d.begin() + 4), (std::vector<std::uint32_t>{8570, 4240, 550, 1580}));
    EXPECT_EQ(std::vector<std::uint32_t>(d.begin() + 67, d.begin() + 70), (std::vector<std::uint32_t>{25270, 8570, 4225}));
}

// Written IRsend lines: the name's comment, the carrier in Hz, each new
// duration signed and lettered; past 'Z' new durations stay written out.
TEST(TasmotaWriter, WritesCompactLinesThatReadBack) {
    std::string text, problem;
    write_settings settings;
    settings.carrier = 36000;
    ASSERT_TRUE(find_form("tasmota")->write_signal(ir_signal{"key \x1b", 0, {8570, 4240, 550, 1580, 550, 550, 4240}},
                                                   settings, text, problem));
    EXPECT_EQ(text, "# key \\x1B\nIRsend 36000,+8570-4240+550-1580CcB\n");
    ir_signal many{"", 0, {}};
    for (std::uint32_t i = 0; i < 60; ++i) many.durations.push_back(100 + i % 30);
    const std::vector<ir_signal> signals = {many, ir_signal{"a=b", 0, {5}}};
    for (const char* form : {"tasmota", "broadlink"}) {
        std::vector<ir_signal> written;
        const std::string out = write_signals(*find_form(form), signals, written);
        EXPECT_EQ(written.size(), 2u);
        EXPECT_EQ(compare_read_back(*find_form(form), out, written, true), "") << out;
    }
}

// Every example is recognised by its own form (by the end of its name) and
// by no other.
TEST(LogForms, EachExampleIsRecognisedByItsFormOnly) {
    unsigned examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR)) {
        const std::string path = entry.path().generic_string(), text = read_file(path);
        // Forms that share a file name's end (json and home-assistant) may
        // both see it; a form of another end never does.
        bool seen = false, has_own = false;
        for (const signal_form* form : signal_forms()) {
            const std::string_view end = form->extension;
            const bool own = path.size() > end.size() && path.compare(path.size() - end.size(), end.size(), end) == 0;
            const bool recognised = form->recognise(text);
            EXPECT_TRUE(own || !recognised) << form->name << " on " << path;
            seen = seen || (own && recognised);
            has_own = has_own || own;
        }
        EXPECT_EQ(seen, has_own) << path;
        examples += has_own ? 1 : 0;
    }
    EXPECT_GE(examples, 15u);
}

}  // namespace
