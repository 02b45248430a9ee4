// Imported signals laid out as capture records, written and read back: word
// 0 the idle time, then the signal's copies (bursts at odd words, gaps at
// even words) with a gap between copies, then a 0 that ends the record's
// durations. The SONY decoder's last gap word (510) holds 1: the decoder
// takes a record without a long gap whose word 510 is set as one frame read
// from its start, so a single copy of a SONY signal decodes, and a record of
// another format does not end the SONY decoder's walk (as a record with word
// 510 at 0 would). Nothing else reads word 510: the dump and the exporter
// stop at the 0 after the durations.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "capture/image.h"
#include "capture/writer.h"
#include "passes/formats.h"
#include "tools/forms/registry.h"

struct layout_options {
    std::uint32_t idle = 0x2000;       // word 0 of every record
    unsigned copies = 1;               // copies of the signal in one record, where the form sets none
    std::uint32_t copy_gap = 0x20000;  // the gap before each further copy: a long gap, as the SONY decoder needs
    unsigned char header = 0;          // the header's fill byte
    bool truncate = false;             // cut signals that do not fit, instead of failing
};

static_assert(layout_options{}.copy_gap > static_cast<std::uint32_t>(kLongGap));

// A record holds the idle time, at most this many durations, the 0 that ends
// them (so that no frame reads on into the next record), and the mark that
// has the SONY decoder read it from its start.
constexpr std::uint64_t kFromStartWord = kSonyLastGapWord;
constexpr std::uint32_t kFromStartMark = 1;
constexpr std::uint64_t kMostDurations = kFromStartWord - 2;
static_assert(kMostDurations == kRecordWords - 4);

// Checks that every signal fits in a record. A signal that does not is an
// error, or, with `truncate`, is cut when written, and `warnings` say so.
// `source` names the input in messages.
bool check_records(const std::vector<ir_signal>& signals, const layout_options& options, std::string_view source,
                   std::vector<std::string>& warnings, import_error& error);

// Writes the header and one record per signal.
void write_records(const std::vector<ir_signal>& signals, const layout_options& options, capture_writer& capture);

// The manifest: one line per record, its number as tavlin prints it
// (hexadecimal), a tab, and its signal's name, or the input and line it came
// from. In a name, a backslash and every control byte (a tab, a line end,
// an escape) are written \xNN, so that a name is always one whole line.
std::string manifest_text(const std::vector<ir_signal>& signals, std::string_view source);

// Reads a manifest back into `names` by record number. Returns an error
// text ("line N: ..."), empty when it is well formed.
std::string read_manifest(std::string_view text, std::map<std::uint64_t, std::string>& names);

// The signal of a record read back: words from 1 up to the first 0 (or to
// the record's end), each a duration. Returns 0, or the errno of a read that
// did not deliver the words it needed; `negative_word` is the index of a
// negative word that ends the durations instead, no duration, or 0.
int read_record_signal(const word_span& record, std::vector<std::uint32_t>& durations,
                       std::uint64_t& negative_word);
