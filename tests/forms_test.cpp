// The forms in-process, through the form table: what each reader makes of
// its text, what it refuses and where, and the protocols that parsed
// signals are encoded with. (mkcapture_test.cpp and import_test.cpp run the
// forms end to end.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/harness.h"
#include "tools/forms/registry.h"

namespace {

struct form_case {
    const char* name;
    const char* form;
    std::string text;
    std::string read;  // "name: durations" a line for each signal, then "note: ..." lines; or "L:C message"
    read_settings settings = {};
};

void PrintTo(const form_case& c, std::ostream* os) { *os << c.name; }

std::string read_as(const form_case& c) {
    const signal_form* form = find_form(c.form);
    if (form == nullptr) return std::string("no form ") + c.form;
    read_result result;
    import_error error;
    if (!form->read(c.text, c.settings, result, error))
        return std::to_string(error.line) + ":" + std::to_string(error.column) + " " + error.message;
    std::string read;
    for (const ir_signal& s : result.signals) {
        read += s.name + ":";
        for (const std::uint32_t d : s.durations) read += " " + std::to_string(d);
        read += "\n";
    }
    for (const std::string& note : result.notes) read += "note: " + note + "\n";
    return read;
}

class FormRead : public ::testing::TestWithParam<form_case> {};

TEST_P(FormRead, ReadsTheSignalsOrSaysWhereItStops) { EXPECT_EQ(read_as(GetParam()), GetParam().read); }

const std::string kRawCut =
    "0:0 lines 1 to 3 read as one signal cut into lines of 2 durations: join them into one line, or read a LIRC "
    "file with --from lirc";

INSTANTIATE_TEST_SUITE_P(
    Forms, FormRead,
    ::testing::Values(
        form_case{"raw_two_short_lines_are_two_signals", "raw", "100 200\n100 200\n", ": 100 200\n: 100 200\n"},
        form_case{"raw_three_short_lines_of_one_count_are_a_cut_signal", "raw", "100 200\n100 200\n100 200\n", kRawCut},
        form_case{"raw_named_short_lines_are_signals", "raw", "a: 100 200\nb: 100 200\nc: 100 200\n",
                  "a: 100 200\nb: 100 200\nc: 100 200\n"},
        // 42949672 × 50 µs is 2147483600 µs, the longest under 2^31; one
        // more count passes it.
        form_case{"c_array_unit_up_to_the_longest_duration", "c-array", "int a[] = {42949672, 1, 1};\n",
                  "a: 2147483600 50 50\n", read_settings{50000, 50}},
        form_case{"c_array_unit_past_the_longest_duration", "c-array", "int a[] = {42949673, 1, 1};\n",
                  "1:5 a holds a duration over 2147483647 microseconds", read_settings{50000, 50}},
        form_case{"raw_unit_past_the_longest_duration", "raw", "42949673 1\n",
                  "1:1 duration over 2147483647 microseconds: '42949673'", read_settings{50000, 50}}),
    [](const ::testing::TestParamInfo<form_case>& info) { return std::string(info.param.name); });

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
            read_result result;
            import_error error;
            ASSERT_TRUE(find_form("flipper")->read(text, {}, result, error)) << error.message;
            ASSERT_EQ(result.signals.size(), 1u);
            const std::vector<std::uint32_t>& d = result.signals[0].durations;
            ASSERT_EQ(d.size(), 2 + 2 * (7 + w.address_bits)) << w.protocol;
            unsigned bits = 0;
            for (unsigned i = 0; i < 7 + w.address_bits; ++i) bits |= (d[2 + 2 * i] == 1200 ? 1u : 0u) << i;
            const unsigned expected = command | (address & ((1u << w.address_bits) - 1)) << 7;
            EXPECT_EQ(bits, expected) << w.protocol << " address " << address;
        }
    }
}

}  // namespace
