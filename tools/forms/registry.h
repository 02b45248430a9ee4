// Signals in the text forms that other infrared tools print or store: one
// table of forms that mkcapture --from, tavlin-export --to and --from auto
// all use. In between, a signal is microsecond durations that start with a
// burst and alternate burst, gap.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct ir_signal {
    std::string name;                      // as the input names it; empty when it does not
    unsigned line = 0;                     // where the signal starts in the input
    std::vector<std::uint32_t> durations;  // microseconds, all from 1 to 2147483647, burst first
    unsigned copies = 0;                   // copies the form asks for (a Broadlink repeat count); 0: the layout's
};

struct import_error {
    unsigned line = 0;
    unsigned column = 0;  // from 1; 0 when the error is not at one place
    std::string message;
};

// How a form reads, beyond its text.
struct read_settings {
    std::uint32_t split_gap = 50000;  // mode2: a space over this ends a signal
    std::uint32_t unit = 1;           // c-array, raw: microseconds per count
};

struct read_result {
    std::vector<ir_signal> signals;
    std::vector<std::string> notes;  // what was read but left out, one line each, for standard error
};

// Identifiers given out in one output, each with the next number to try
// after it when a name would give it again.
using identifier_set = std::unordered_map<std::string, unsigned>;

struct write_settings {
    std::uint32_t carrier = 38000;  // Hz, for the forms that state or count in carrier cycles
    // c-array: the identifiers of the arrays written so far, so that each
    // array's is new; the writer adds each one it gives.
    mutable identifier_set identifiers;
};

// The options that a form reads (mkcapture's --split and --unit) or writes
// by (tavlin-export's --carrier).
enum form_option : unsigned { kSplitOption = 1, kUnitOption = 2, kCarrierOption = 4 };

struct signal_form {
    std::string_view name;  // as --from and --to name it
    // Reads every signal of `text`. On malformed input, returns false with
    // the line, column and what is wrong.
    bool (*read)(std::string_view text, const read_settings& settings, read_result& result, import_error& error);
    // True when `text` is plainly in this form (--from auto).
    bool (*recognise)(std::string_view text);
    // Text before the first signal (nullptr: none), and each signal's text,
    // false with `problem` set for a signal the form cannot hold; nullptr
    // for a form that cannot carry signals back out.
    void (*write_start)(std::string& text);
    bool (*write_signal)(const ir_signal& signal, const write_settings& settings, std::string& text,
                         std::string& problem);
    unsigned options;          // the form_option bits that apply
    std::string_view summary;  // what the form is, for the help texts
};

// Every form, in the order --from auto tries them.
const std::vector<const signal_form*>& signal_forms();

// The form of that name, or nullptr.
const signal_form* find_form(std::string_view name);

// The first form that recognises `text`, or nullptr.
const signal_form* recognise_form(std::string_view text);

// The names of the forms, "a, b, c", those that can be written only when
// `writable`.
std::string form_names(bool writable);

// mkcapture --help on the forms and the layout of their records.
std::string import_help();

// The names of the forms that have the option `bit`, "a, b and c".
std::string forms_with(form_option bit);
