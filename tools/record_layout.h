// Imported signals laid out as capture records: word 0 the idle time, then
// the signal's copies (bursts at odd words, gaps at even words) with a gap
// between copies, then 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/signal_import.h"

struct layout_options {
    std::uint32_t idle = 0x2000;       // word 0 of every record
    unsigned copies = 1;               // copies of the signal in one record
    std::uint32_t copy_gap = 0x20000;  // the gap before each further copy (over 65536, as the SONY decoder needs)
    unsigned char header = 0;          // the header's fill byte
    bool truncate = false;             // cut signals that do not fit, instead of failing
};

constexpr std::size_t kMostDurations = 511;  // a record holds the idle time and 511 durations

struct layout_result {
    std::string capture;                // the capture file's bytes
    std::string manifest;               // one line per record: its number (hex, as tavlin prints it) and signal
    std::vector<std::string> warnings;  // what --truncate cut
};

// Lays out one record per signal. `source` names the input in the manifest
// and in messages. A signal that does not fit in a record is an error (or,
// with `truncate`, is cut with a warning).
bool lay_out_records(const std::vector<ir_signal>& signals, const layout_options& options, std::string_view source,
                     layout_result& result, import_error& error);
