// Signals from the text forms other infrared tools print or store, as
// microsecond durations that start with a burst and alternate burst, gap.
//   mode2   lines "pulse N", "space N", "timeout N"; a space longer than the
//           split gap, or a timeout, ends a signal
//   ir-ctl  one signal a line: "+N -N +N ...", optionally "# timeout N"
//   raw     one signal a line: "[name:] N N N ..." or "N,N,N", burst first
//   pronto  one learned Pronto code a line (first word 0000): the once
//           sequence, then the repeat sequence
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// mkcapture --help on the forms and the layout of their records.
extern const char* const kImportHelp;

enum class signal_format { mode2, ir_ctl, raw, pronto };

// The format named on the command line; false for an unknown name.
bool signal_format_named(std::string_view name, signal_format& format);

struct ir_signal {
    std::string name;                      // as the input names it; empty when it does not
    unsigned line = 0;                     // where the signal starts in the input
    std::vector<std::uint32_t> durations;  // microseconds, all positive, burst first
};

struct import_error {
    unsigned line = 0;
    unsigned column = 0;  // from 1; 0 when the error is not at one place
    std::string message;
};

// Reads every signal of `text`. On malformed input, returns false with the
// line, column and what is wrong.
bool import_signals(signal_format format, std::string_view text, std::uint32_t split_gap,
                    std::vector<ir_signal>& signals, import_error& error);
