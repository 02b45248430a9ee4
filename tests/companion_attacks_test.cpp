// The forms under attack: inputs and names that once lost signals, changed
// files or gave untrue messages, each row read or written through the
// table of forms; and the round trip of random signals with hostile names
// through every form.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fuzz/form_checks.h"
#include "tools/forms/registry.h"

namespace {

// What a form reads from a text: its signals as "name: d d d" lines, or
// "line L, column C: message".
std::string read_as(std::string_view form, std::string_view text) {
    std::vector<ir_signal> signals;
    import_error error;
    if (!read_all_signals(*find_form(form), text, read_settings{}, signals, nullptr, error))
        return "line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ": " + error.message;
    std::string out;
    for (const ir_signal& s : signals) {
        out += s.name + ":";
        for (const std::uint32_t d : s.durations) out += " " + std::to_string(d);
        out += "\n";
    }
    return out;
}

// Signals written by one form and read back by it.
std::string write_and_read(std::string_view form, const std::vector<ir_signal>& signals) {
    std::vector<ir_signal> written;
    return read_as(form, write_signals(*find_form(form), signals, written));
}

struct row {
    const char* form;
    const char* text;
    const char* read;
};

TEST(AttacksOnForms, NoSignalLostOrMadeUp) {
    const row rows[] = {
        {"flipper", "Filetype: IR signals file\nVersion: 1\n#\nname: x\ntype: raw\ndata:\n",
         "line 6, column 0: signal 'x' has no durations"},
        {"c-array", "// a[2] = {1, 2};\n/* b[2] = {3, 4}; */\nconst char* s = \"c[2] = {5, 6};\";\nd[2] = {7, 8};\n",
         "d: 7 8\n"},
        {"c-array", "a[99999999999] = {100,200};", "line 1, column 1: a[99999999999] holds 2 values"},
        {"c-array", "Timing[99]: +100, -200\n", "line 1, column 1: Timing[99] holds 2 entries"},
        {"c-array", "a[0x3] = {1,2,3}; b[2] = {5,6};", "a: 1 2 3\nb: 5 6\n"},
        {"c-array", "a[N] = {1,2};", "a: 1 2\n"},
        {"c-array", "#define N 3\na[N] = {1,2};", "line 2, column 1: a[N] holds 2 values"},
        {"c-array", "a[/*a[/*a[2] = {1, 2};", ""},
    };
    for (const row& r : rows) EXPECT_EQ(read_as(r.form, r.text), r.read) << r.form << ": " << r.text;
    // An exported c-array reads back exactly, whatever its first burst.
    EXPECT_EQ(write_and_read("c-array", {{"sig", 0, {9000, 1000, 500, 500, 500, 1500}, 0}}),
              "sig: 9000 1000 500 500 500 1500\n");
}

TEST(AttacksOnForms, NamesReadBackWhole) {
    const struct {
        const char* form;
        std::string name;
        const char* read;
    } rows[] = {
        {"raw", "#power", "#power: 100 200 300\n"},
        {"raw", "", ": 100 200 300\n"},
        {"raw", "a:b,c", "a:b,c: 100 200 300\n"},
        {"raw", " lead", " lead: 100 200 300\n"},
        {"broadlink", "#power", "#power: 92 214 305 101715\n"},
        {"broadlink", "b64", "b64: 92 214 305 101715\n"},
        {"broadlink", "", ": 92 214 305 101715\n"},
        {"broadlink", "cr\rlf\n", "cr\rlf\n: 92 214 305 101715\n"},
        {"flipper", "", "_: 100 200 300\n"},
        {"flipper", " esc\x1b ", "_esc__: 100 200 300\n"},
        {"c-array", "int", "ir_int: 100 200 300\n"},
        {"c-array", "NULL", "ir_NULL: 100 200 300\n"},
        {"c-array", "__LINE__", "LINE_: 100 200 300\n"},
        {"c-array", "7up", "ir_7up: 100 200 300\n"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(write_and_read(r.form, {{r.name, 0, {100, 200, 300}, 0}}), r.read) << r.form << ": " << r.name;
    // Names that would give one identifier twice.
    std::vector<ir_signal> twice;
    for (const char* name : {"power", "power", "Power!", "Power?", "record_7", "record_7", "record_7_2"})
        twice.push_back({name, 0, {100, 200}, 0});
    EXPECT_EQ(write_and_read("c-array", twice),
              "power: 100 200\npower_2: 100 200\nPower_: 100 200\nPower_2: 100 200\nrecord_7: 100 200\n"
              "record_7_2: 100 200\nrecord_7_2_2: 100 200\n");
    // Comment lines show a name escaped, never its control bytes.
    for (const char* form : {"pronto", "sendir", "mode2", "ir-ctl"}) {
        std::vector<ir_signal> written;
        const std::string text =
            write_signals(*find_form(form), {{"a\r0000 006D\n\x1b]0;x\a\xff\\", 0, {100, 200, 300}, 0}}, written);
        EXPECT_EQ(text.substr(0, text.find('\n')), "# a\\x0D0000 006D\\x0A\\x1B]0;x\\x07\\xFF\\\\") << form;
    }
}

TEST(AttacksOnForms, MessagesSayWhatIsWrong) {
    const row rows[] = {
        {"pronto", "0000 006D 0000 0000\n",
         "line 1, column 11: the code's counts of once and repeat pairs are both 0: it holds no burst"},
        {"sendir", "sendir,1:1,1,38000,1,1,100,,200\n", "line 1, column 28: an empty field before ','"},
        {"sendir", "sendir,1:1,1,38000,1,1,100,200,\n", "line 1, column 31: an empty field after the last ','"},
        {"raw", "1,,2\n", "line 1, column 3: an empty field before ','"},
        {"raw", "x: ,1,2\n", "line 1, column 4: an empty field before ','"},
        {"broadlink", "b64: JgAIAAABJ5MSAA0FAAAAAA==\n", ": 9003 4486 549 101715\n"},
        {"broadlink", "x: b64 : JgAIAAABJ5MSAA0FAAAAAA==\n", "x: 9003 4486 549 101715\n"},
        {"broadlink", "0x260008000001279312000d05\n", ": 9003 4486 549 101715\n"},
        {"broadlink", "26000800000127931200d05\n", "line 1, column 1: a hex code with an odd number of digits (23)"},
        {"raw", "\"open: 1 2\n", "line 1, column 1: a quoted name without its closing '\"'"},
        {"raw", "\"a\\q\": 1 2\n", "line 1, column 3: an escape in a quoted name that is not \\\\, \\\" or \\xNN"},
    };
    for (const row& r : rows) EXPECT_EQ(read_as(r.form, r.text), r.read) << r.form << ": " << r.text;
}

// Random signals with random hostile names, through every writable form and
// back: the same signals (fuzz/form_checks.h says how the same).
TEST(AttacksOnForms, RandomSignalsAndNamesRoundTrip) {
    std::mt19937 random(18);
    const std::string pieces[] = {"#",        ":",    ",",        "\"",      "'",       "\\", "b64", "int",  "NULL",
                                  "power",    " ",    "\t",       "\a",      "\x1b[2J", "\r", "\n",  "\x7f", "\xc2\x85",
                                  "\xc3\xa9", "\xff", "record_7", "timeout", "",        "/",  "/",   "data", "code"};
    for (int round = 0; round < 300; ++round) {
        std::vector<ir_signal> signals(1 + random() % 4);
        for (ir_signal& s : signals) {
            for (unsigned k = random() % 4; k > 0; --k) s.name += pieces[random() % std::size(pieces)];
            const unsigned count = 1 + random() % 30;
            const bool leading_gap = random() % 2 == 0;
            for (unsigned i = 0; i < count; ++i)
                s.durations.push_back(i == 0 && leading_gap ? 20000 + random() % 60000 : 50 + random() % 3000);
        }
        for (const signal_form* form : signal_forms()) {
            if (form->write_signal == nullptr) continue;
            std::vector<ir_signal> written;
            const std::string text = write_signals(*form, signals, written);
            ASSERT_EQ(written.size(), signals.size()) << form->name;
            ASSERT_EQ(compare_read_back(*form, text, written, true), "") << text;
            // A JSON code set holds every name under a key of its own: a
            // reader that keeps the last of a key given twice loses no name.
            if (form->extension == ".json") {
                std::set<std::string> names;
                for (const ir_signal& s : written)  // an empty key has no second spelling
                    if (!s.name.empty() && s.name.back() != '/') names.insert(s.name);
                std::size_t codes = 0;
                const auto count = [&](auto& self, const nlohmann::json& j) -> void {
                    if (j.is_string()) ++codes;
                    if (j.is_object())
                        for (const auto& [key, value] : j.items())
                            if (key != "supportedController" && key != "commandsEncoding" && key != "key")
                                self(self, value);
                };
                count(count, nlohmann::json::parse(text));
                ASSERT_GE(codes, names.size()) << text;
            }
        }
    }
}

}  // namespace
