// tavlin-view's judgement of which decoder fits, its notations of known
// protocols, and the workbench's checksum finder: clean signals of each
// format fit their decoder alone, noise fits none; each notation gives the
// protocol's published example; every rule is found where it was planted.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "passes/formats.h"
#include "tests/harness.h"
#include "tools/view/compare.h"
#include "tools/view/fit.h"

namespace {

// The decoders whose readings fit each record of the capture CAP in `dir`:
// "1K 2S " (record and letter), and the notations of the fitting readings.
std::string fitting(const scratch_dir& dir, std::vector<std::string>* notes = nullptr) {
    const run_result r = run_view(dir, {"--json", "cap.dat"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string out;
    for (std::size_t at = 0; at < r.out.size();) {
        const std::size_t end = r.out.find('\n', at);
        const std::string line = r.out.substr(at, end - at);
        at = end + 1;
        if (line.find("\"fits\":true") == std::string::npos) continue;
        const std::size_t record = line.find("\"record\":") + 9, decoder = line.find("\"decoder\":\"") + 11;
        out += line.substr(record, line.find(',', record) - record) + line[decoder] + " ";
        const std::size_t list = line.find("\"notations\":[") + 13;
        for (std::size_t n = list; notes != nullptr && line[n] == '"';) {
            const std::size_t close = line.find('"', n + 1);
            notes->push_back(line.substr(n + 1, close - n - 1));
            n = close + 1 + (line[close + 1] == ',');
        }
    }
    return out;
}

TEST(ViewFit, EachBundledExampleFitsItsDecoder) {
    const std::pair<const char*, const char*> cases[] = {
        {"kanden.lircd.conf", "1K "},    {"kanden.mode2", "1K "},        {"kanden.sendir", "1K "},
        {"mitsubishi.broadlink", "1M "}, {"mitsubishi.c", "1M "},        {"mitsubishi.ir-ctl", "1M "},
        {"sony.lircd.conf", "1S 2S "},   {"sony.pronto", "1S "},         {"sony.raw", "1S "},
        {"remote.ir", "1S 2K "},  // SIRC and a KANDEN frame fit; the RC5 press fits no decoder
        {"aircon.ir", "1K 2K 3K 4K 5K 6K 7K 8K 9K 10K 11K 12K "},
    };
    scratch_dir dir;
    for (const auto& [file, expected] : cases) {
        const run_result import =
            run_mkcapture(dir, {"--from", "auto", std::string(EXAMPLES_DIR) + "/" + file, "cap.dat"});
        ASSERT_EQ(import.status, 0) << import.err;
        EXPECT_EQ(fitting(dir), expected) << file;
    }
    dir.write_capture("cap.dat", read_file(std::string(EXAMPLES_DIR) + "/sample.txt"));
    EXPECT_EQ(fitting(dir), "1S 2K 3M ");
}

// One record of each format, its durations off by up to 8 %, random bits
// (both values), random length: its own decoder fits it, no other.
std::string generated(char format, std::mt19937& random) {
    const auto jit = [&](int v) { return std::to_string(v + static_cast<int>(random() % (v / 6 + 1)) - v / 12); };
    std::vector<int> bits = {0, 1};
    for (unsigned n = 2 + random() % 150; n > 0; --n) bits.push_back(static_cast<int>(random() % 2));
    std::string d;
    if (format == 'K') {
        d = "0x2000 " + jit(3440) + " " + jit(1720);
        for (const int b : bits) d += " " + jit(430) + " " + jit(b ? 1290 : 430);
        d += " " + jit(430);
    } else if (format == 'M') {
        d = "0x3000";
        for (const int b : bits) d += " " + jit(256) + " " + jit(b ? 1536 : 768);
        d += " 0x2000";
    } else {
        bits.resize(12 + bits.size() % 9);
        d = "0x50";
        for (int copy = 0; copy < 3; ++copy) {
            d += std::string(copy ? " 0x20000 " : " ") + jit(2400);
            for (const int b : bits) d += " " + jit(600) + " " + jit(b ? 1200 : 600);
        }
    }
    return d + "\n";
}

TEST(ViewFit, GeneratedSignalsFitTheirDecoderAndNoiseFitsNone) {
    std::mt19937 random(2107);
    scratch_dir dir;
    for (int round = 0; round < 8; ++round)
        for (const char format : {'K', 'M', 'S'}) {
            dir.write_capture("cap.dat", generated(format, random));
            EXPECT_EQ(fitting(dir), std::string("1") + format + " ") << "round " << round;
        }
    // A clean frame of two bytes beside a longer run of signal it leaves unread.
    dir.write_capture("cap.dat", "0x2000 3440 1720 " + repeated("430 430 430 1290 ", 8) + "430 0x8000 " +
                                     repeated("430 1290 ", 40) + "\n");
    EXPECT_EQ(fitting(dir), "");
    for (int round = 0; round < 8; ++round) {
        std::string noise;
        for (int record = 0; record < 20; ++record) {
            // word 510 set, so that SONY reads every record from its start
            const unsigned n = 20 + random() % 480;
            for (unsigned i = 0; i < n; ++i) noise += std::to_string(50 + random() % 5000) + " ";
            noise += "0*" + std::to_string(510 - n) + " 1\n";
        }
        dir.write_capture("cap.dat", noise);
        EXPECT_EQ(fitting(dir), "") << "noise round " << round;
    }
}

// Each notation against the protocol's published example, imported from a
// file that names it by its parameters.
TEST(ViewFit, NotationsGiveThePublishedExamples) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"SIRC\naddress: 01 00 00 00\ncommand: 15 00 00 00",  // TV power
         {"SIRC-12: command 0x15, address 0x01 (raw 0xA90, sent order MSB first)"}},
        {"SIRC15\naddress: 30 00 00 00\ncommand: 12 00 00 00",
         {"SIRC-15: command 0x12, address 0x30 (raw 0x240C, sent order MSB first)"}},
        {"SIRC20\naddress: A3 01 00 00\ncommand: 39 00 00 00",
         {"SIRC-20: command 0x39, address 0x03, extended 0x0D (13-bit address 0x01A3) (raw 0x9D8B0, sent order MSB "
          "first)"}},
        {"NEC\naddress: 08 00 00 00\ncommand: 58 00 00 00",  // 0x10EF 0x1AE5
         {"NEC: address 0x08, command 0x58 (raw 0x10EF1AE5, sent order MSB first)", "bytes: {0x08, 0xF7, 0x58, 0xA7}"}},
        {"NECext\naddress: 08 F6 00 00\ncommand: 58 A7 00 00",
         {"NEC extended: address 0xF608, command 0x58 (raw 0x106F1AE5, sent order MSB first)",
          "bytes: {0x08, 0xF6, 0x58, 0xA7}"}},
        {"Kaseikyo\naddress: 80 02 20 00\ncommand: D0 03 00 00",  // 0220 8000 3DBD: device 128, function 61
         {"Kaseikyo: vendor 0x2002 (Panasonic), vendor parity 0x0 ok, genre1 0x8, genre2 0x0, data 0x3D0, ID 0, check "
          "0xBD ok; device 0x80, subdevice 0x00, function 0x3D",
          "bytes: {0x02, 0x20, 0x80, 0x00, 0x3D, 0xBD}"}},
    };
    scratch_dir dir;
    for (const auto& [entry, expected] : cases) {
        dir.write_bytes("in.ir", "Filetype: IR signals file\nVersion: 1\n#\nname: key\ntype: parsed\nprotocol: " + entry + "\n");
        ASSERT_EQ(run_mkcapture(dir, {"--from", "flipper", "in.ir", "cap.dat"}).status, 0) << entry;
        std::vector<std::string> notes;
        fitting(dir, &notes);
        EXPECT_EQ(notes, expected) << entry;
    }
}

// The rules over the check string "123456789": the catalogued check values
// of the CRC-8s without a final XOR, and the plain folds.
TEST(ViewWorkbench, RulesGiveTheCheckValues) {
    const std::vector<std::uint8_t> check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const std::vector<std::pair<std::string, unsigned>> expected = {
        {"8-bit sum", 0xDD}, {"XOR", 0x31}, {"sum of nibbles", 0x48}, {"two's complement of the sum", 0x23},
        {"CRC-8 poly 0x07 init 0x00", 0xF4}, {"CRC-8 poly 0x31 reflected init 0x00", 0xA1},
        {"CRC-8 poly 0x07 reflected init 0xFF", 0xD0}, {"CRC-8 poly 0x9B init 0xFF", 0xDA},
        {"CRC-8 poly 0x9B reflected init 0x00", 0x25}, {"CRC-8 poly 0x9B init 0x00", 0xEA},
        {"CRC-8 poly 0x1D init 0x00", 0x37}, {"CRC-8 poly 0x2F init 0xFF", 0x20}, {"CRC-8 poly 0x1D init 0xFF", 0xB4}};
    std::size_t found = 0;
    for (const checksum_rule& rule : checksum_rules())
        for (const auto& [name, value] : expected)
            if (rule_text(rule) == name) {
                EXPECT_EQ(checksum_of(rule, check), value) << name;
                ++found;
            }
    EXPECT_EQ(found, expected.size());
    EXPECT_EQ(checksum_rules().size(), 24u);
}

// Every rule, planted over a random range at a random byte outside it in
// random frames, is found there; frames with no rule planted give none.
TEST(ViewWorkbench, FinderFindsEveryPlantedRule) {
    std::mt19937 random(21);
    for (std::size_t r = 0; r <= checksum_rules().size(); ++r) {
        const bool planted = r < checksum_rules().size();
        bench_group group{0, 4 + random() % 20, {}};
        const unsigned at = random() % group.length;
        unsigned first = random() % group.length, last = first + random() % (group.length - first);
        if (at >= first && at <= last) first = last = (at + 1) % group.length;
        for (int n = 0; n < 6; ++n) {
            bench_frame frame{static_cast<std::uint64_t>(n + 1), "", std::vector<std::uint8_t>(group.length)};
            for (std::uint8_t& b : frame.bytes) b = static_cast<std::uint8_t>(random());
            if (planted)
                frame.bytes[at] = static_cast<std::uint8_t>(checksum_of(
                    checksum_rules()[r], {frame.bytes.begin() + first, frame.bytes.begin() + last + 1}));
            group.frames.push_back(frame);
        }
        const group_study s = study_group(group, std::nullopt);
        ASSERT_TRUE(s.searched);
        std::string hits;
        for (const checksum_hit& h : s.checksums)
            if (h.rule == r) hits += std::to_string(h.first) + "-" + std::to_string(h.last) + "@" + std::to_string(h.at);
        EXPECT_EQ(hits, planted ? std::to_string(first) + "-" + std::to_string(last) + "@" + std::to_string(at) : "")
            << (planted ? rule_text(checksum_rules()[r]) : "none planted");
        EXPECT_TRUE(planted || s.checksums.empty());
    }
}

// Two presses of one length: the table, the changes and the finder's verdict
// whole, the names escaped for the terminal and for the page.
TEST(ViewWorkbench, TableOfTwoPressesWithNamesEscaped) {
    const auto frame = [](const std::string& bits) {
        std::string text = "3500 1750";
        for (const char b : bits) text += b == '1' ? " 435 1300" : " 435 435";
        return text + " 435";
    };
    scratch_dir dir;
    dir.write_bytes("in.raw", "vol<up>: " + frame("0110000011110000") + "\npo\x1B[1mwer: " + frame("1010000011110000") + "\n");
    ASSERT_EQ(run_mkcapture(dir, {"--from", "raw", "in.raw", "cap.dat"}).status, 0);
    run_result r = run_view(dir, {"--compare", "cap.dat"});
    EXPECT_EQ(r.out,
              "KANDEN, 2 bytes: 2 records\n\n"
              "KANDEN, 2 bytes, against record 1\n"
              "       1  vol<up>       06 0F\n"
              "       2  po\\x1B[1mwer  05 0F\n"
              "                         ^\n"
              "Bits that differ from the base:\n"
              "  bits 0-1 (byte 0, bits 0-1): po\\x1B[1mwer\n"
              "Checksums: no rule holds in all 2 frames.\n");
    EXPECT_EQ(r.status, 0);
    r = run_view(dir, {"--compare", "--json", "cap.dat"});
    EXPECT_EQ(r.out,
              "{\"version\":1,\"decoder\":\"KANDEN\",\"bytes\":2,\"base\":1,\"frames\":[{\"record\":1,\"name\":\"vol<up>\","
              "\"bytes\":[6,15]},{\"record\":2,\"name\":\"po\\u001B[1mwer\",\"bytes\":[5,15]}],\"changes\":[{\"first_bit\":0,"
              "\"last_bit\":1,\"records\":[2]}],\"searched\":true,\"checksums\":[]}\n");
    r = run_view(dir, {"cap.dat"});
    const std::string bench = r.out.substr(r.out.find("<h2>Workbench"), r.out.find("<h2>Records") - r.out.find("<h2>Workbench"));
    EXPECT_NE(bench.find("1 <span class=\"name\">vol&lt;up&gt;</span>"), std::string::npos) << bench;
    EXPECT_NE(bench.find("<li>bits 0-1 (byte 0, bits 0-1): po\\x1B[1mwer</li>"), std::string::npos) << bench;
    EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
}

TEST(ViewWorkbench, OptionsThatDoNotGoTogetherAreRefused) {
    scratch_dir dir;
    dir.write_capture("cap.dat", "1 2\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--compare", "--diff", "cap.dat"}, {"--compare", "--mode", "0", "cap.dat"}}) {
        const run_result r = run_view(dir, args);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
