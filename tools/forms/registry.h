// Signals in the text forms that other infrared tools print or store: one
// table of forms that mkcapture --from, tavlin-export --to and --from auto
// all use. In between, a signal is microsecond durations that start with a
// burst and alternate burst, gap.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/shared/text_input.h"

struct ir_signal {
    std::string name;                      // as the input names it; empty when it does not
    unsigned line = 0;                     // where the signal starts in the input
    std::vector<std::uint32_t> durations;  // microseconds, all from 1 to 2147483647, burst first
    unsigned repeats = 0;                  // further sends the form asks for (a Broadlink repeat count)
    std::uint32_t carrier = 0;             // Hz, as the form states it; 0: not stated
    std::uint32_t duty = 0;                // the carrier's duty cycle in parts per million; 0: not stated
};

struct import_error {
    unsigned line = 0;
    unsigned column = 0;  // from 1; 0 when the error is not at one place
    std::string message;
};

// How a form reads, beyond its text.
struct read_settings {
    std::uint32_t unit = 1;  // c-array, raw: microseconds per count
};

// Where a reader sends what it reads, as it reads it: each signal once it
// is whole, each entry that cannot be read (where and why), and what it
// reads but leaves out on purpose (one line each, for standard error).
// `skip` returns false to stop the reading (a strict import): the reader
// then returns false with that error.
struct signal_sink {
    std::function<void(ir_signal& signal)> take;
    std::function<bool(const import_error& error)> skip;
    std::function<void(const std::string& note)> note;
};

// Identifiers given out in one output, each with the next number to try
// after it when a name would give it again.
using identifier_set = std::unordered_map<std::string, unsigned>;

// The objects that a writer of nested names (json) holds open, from the
// outermost: each one's key, and whether it holds an entry yet.
struct open_objects {
    std::vector<std::string> keys;
    std::vector<bool> filled;
};

struct write_settings {
    std::uint32_t carrier = 38000;  // Hz, for the forms that state or count in carrier cycles
    // c-array, json: the identifiers or keys given out so far, so that each
    // one is new; the writer adds each one it gives.
    mutable identifier_set identifiers;
    // json: the objects open after the signal written last.
    mutable open_objects open;
};

// The options that a form reads (mkcapture's --unit) or writes by
// (tavlin-export's --carrier).
enum form_option : unsigned { kUnitOption = 2, kCarrierOption = 4 };

struct signal_form {
    std::string_view name;  // as --from and --to name it
    // Reads every signal of `source` into `sink`; an entry that cannot be
    // read goes to the sink's `skip`. Returns false, with the line, column
    // and what is wrong, on input that cannot be read on from, or when the
    // sink stopped it.
    bool (*read)(text_source& source, const read_settings& settings, signal_sink& sink, import_error& error);
    // True when `text`, the start of an input, is plainly in this form
    // (--from auto).
    bool (*recognise)(std::string_view text);
    // Text before the first signal (`end` false) and after the last (`end`
    // true; nullptr: none), and each signal's text, false with `problem` set
    // for a signal the form cannot hold; nullptr for a form that cannot
    // carry signals back out. One output's calls share their settings.
    void (*write_around)(bool end, const write_settings& settings, std::string& text);
    bool (*write_signal)(const ir_signal& signal, const write_settings& settings, std::string& text,
                         std::string& problem);
    unsigned options;            // the form_option bits that apply
    std::string_view summary;    // what the form is, for the help texts
    std::string_view extension;  // a file name's end for the form, ".ir"
};

// Reads the whole of `text` through `form` into `signals`, and what it
// leaves out on purpose into `notes` when not null: false, with the error,
// at the first entry that cannot be read or when the form refuses the text.
bool read_all_signals(const signal_form& form, std::string_view text, const read_settings& settings,
                      std::vector<ir_signal>& signals, std::vector<std::string>* notes, import_error& error);

// Every form, in the order --from auto tries them.
const std::vector<const signal_form*>& signal_forms();

// The form of that name, in any case ("Flipper"), or nullptr.
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
