// What the round-trip and name fuzz targets (and the tests) require of a
// signal written out in a form and read back in it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/forms/registry.h"
#include "tools/shared/record_layout.h"

// Writes `signals` through `form`'s writer as the exporter does (its start,
// then each signal), leaving out those it cannot hold; `written` gets the
// ones it wrote.
std::string write_signals(const signal_form& form, const std::vector<ir_signal>& signals,
                          std::vector<ir_signal>& written);

// Reads `text` back through `form` and compares it with `written`. Returns
// "" when they are the same signals, or what differs:
//   - the same number of signals, in order (for mode2, a written signal
//     read as the parts between its gaps over 100 ms);
//   - durations equal; for pronto, sendir and broadlink within half the
//     form's tick (and a duration under a tick as one tick), plus the
//     lead-out gap the form adds after a signal that ends with a burst;
//   - names equal, but as the replacement says for flipper, and valid,
//     unreserved and unique C identifiers for c-array;
//   - no byte of the text a control byte (but '\n') or invalid UTF-8.
std::string compare_read_back(const signal_form& form, std::string_view text, const std::vector<ir_signal>& written,
                              bool compare_durations);

// Lays out `signals` as mkcapture does (`options`), reads the records back
// as tavlin-export does, and returns "" when every signal comes back whole
// (durations with the last gap, name, carrier, duty cycle and repeats), no
// word after a record's durations is a long gap or ends them later, and
// word 510 of every record holds the mark; otherwise what differs.
std::string compare_laid_out(const std::vector<ir_signal>& signals, const layout_options& options);
