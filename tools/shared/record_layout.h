// Imported signals laid out as capture records, and read back.
//
// A signal is cut into frames at its long gaps (a gap of at least the frame
// gap), and repeats of a frame (the next frame of the same count, each
// duration within a quarter of the one it repeats) stay with it: each run
// of repeats is one record. A record is word 0, the idle time, then the
// durations (bursts at odd words, gaps at even words), then two 0 words, so
// that every decoder's frame ends there. A run longer than a record goes on
// into the next records, which the decoders read on into: records filled to
// their last word, the last of them ending as above.
//
// The gap after a record's durations (to the next run, or the signal's last
// gap) is not in the record, where the SONY decoder would take it for the
// gap before a frame; it is kept in the record's note, after the two 0
// words: what the importer knows of the signal (its name, carrier, duty
// cycle, repeats, form, and which records hold it). A note's words are
// 16-bit values, none a long gap, so no decoder reads one: a magic word, a
// version, the length in bytes, a checksum, then its text two bytes a word.
// A note that does not fit after the durations goes into a record of its
// own after them, which holds no durations.
//
// Word 510 holds 1: the SONY decoder takes a record without a long gap whose
// word 510 is set as one frame read from its start, so a signal decodes from
// its first frame, and no record ends the SONY decoder's walk.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/image.h"
#include "capture/writer.h"
#include "passes/formats.h"
#include "tools/forms/registry.h"

struct layout_options {
    std::uint32_t idle = 0x2000;       // word 0 of every record that starts a run
    unsigned copies = 0;               // copies laid of each signal; 0: the signal's repeats + 1
    std::uint32_t copy_gap = 0x20000;  // the gap before each further copy when --copies gives them, or when
                                       // the signal has no last gap of its own
    std::uint32_t frame_gap = 5000;    // a gap of at least this ends a frame; 0: signals are not cut
    unsigned char header = 0;          // the header's fill byte
};

static_assert(layout_options{}.copy_gap > static_cast<std::uint32_t>(kLongGap));

constexpr std::uint64_t kFromStartWord = kSonyLastGapWord;
constexpr std::uint32_t kFromStartMark = 1;

// The version of the notes written, and their magic word ("TN").
constexpr std::uint32_t kNoteMagic = 0x4E54;
constexpr std::uint32_t kNoteVersion = 1;

// What a record's note says.
struct record_note {
    bool starts_signal = false;  // the first record of a signal: the signal's facts follow
    bool for_previous = false;   // a record of this note alone, for the record before it
    std::string name;
    std::string form;            // the form the signal was read from
    std::uint32_t carrier = 0;   // Hz; 0: not known
    std::uint32_t duty = 0;      // parts per million; 0: not known
    unsigned repeats = 0;        // further sends the form asked for
    unsigned copies = 1;         // copies of the signal laid out in its records
    std::uint32_t copy_gap = 0;  // the gap between them
    std::uint32_t after = 0;     // the gap after this record's durations; 0: none
    unsigned continued = 0;      // the records before this one that hold the start of its durations
};

// What the laying out keeps from one signal to the next.
struct layout_state {
    std::uint64_t records = 0;  // records written
};

// Lays out one signal read from `form` as records on `capture`, and a line
// per record on `manifest` when it is not null (see manifest_text). `warn`
// gets what had to change for the signal to fit; `source` names the input.
void lay_out_signal(const ir_signal& signal, std::string_view form, const layout_options& options, layout_state& state,
                    capture_writer& capture, out_writer* manifest, std::string_view source,
                    const std::function<void(const std::string&)>& warn);

// The manifest: after a comment line, one line per record, its number as
// tavlin prints it (hexadecimal), a tab, and its signal's name, or the input
// and line it came from. In a name, a backslash and every control byte (a
// tab, a line end, an escape) are written \xNN, so that a name is always one
// whole line.
void start_manifest(out_writer& manifest);
std::string manifest_line(std::uint64_t record, const ir_signal& signal, std::string_view source);

// Reads a manifest back into `names` by record number. Returns an error
// text ("line N: ..."), empty when it is well formed.
std::string read_manifest(std::string_view text, std::map<std::uint64_t, std::string>& names);

// The signal of a record read back: words from 1 (or from 0 for a record
// that goes on from the one before) up to the first 0, or to the record's
// end, each a duration. Returns 0, or the errno of a read that did not
// deliver the words it needed; `negative_word` is the index of a negative
// word that ends the durations instead, no duration, or 0. `ended` says
// whether a 0 ended them before the record's end.
int read_record_signal(const word_span& record, bool from_word_0, std::vector<std::uint32_t>& durations,
                       std::uint64_t& negative_word, bool& ended);

// The note of a record whose durations end at word `end` (the first 0), if
// it holds a whole one.
std::optional<record_note> read_record_note(const word_span& record, std::uint64_t end);

// The most records one run of durations spans, the last included: a longer
// run is cut, so that reading it back holds a bounded number of records.
constexpr unsigned kMostRunRecords = 64;

// A signal read back from its records.
struct read_back_signal {
    ir_signal signal;         // its durations as imported (copies laid out taken apart, the last gap
                              // restored); its name, carrier, duty and repeats as noted, when noted
    std::uint64_t first = 0;  // its records
    std::uint64_t last = 0;
    bool noted = false;  // its records hold notes; otherwise it is one record's words from 1 on
    std::string form;    // the form it was imported from, when noted
};

// Signals put back together from records given in order: records laid out
// with notes become the signals laid out; any other record is a signal of
// its own, its words from 1 up to the first 0. Records that are not
// consecutive belong to different signals. Holds one signal's durations,
// and the records of one run until the record that ends it.
struct signal_reading {
    using words = std::array<std::uint32_t, kRecordWords>;
    std::vector<std::pair<std::uint64_t, words>> runs;  // a run's records waiting for its note
    bool last_unnoted = false;  // the last of them ends the run but had no note: one may come in the next
    bool open = false;          // a signal is being put together
    read_back_signal signal;
    record_note facts;        // its first record's note
    std::uint32_t after = 0;  // the gap after its last run
    std::uint64_t next = 0;   // the record that continues it
};

// Gives the next record; calls `each(const read_back_signal&)` for every
// signal it completes. `record` must deliver all its words.
void read_back_record(signal_reading& reading, std::uint64_t number, const word_span& record,
                      const std::function<void(const read_back_signal&)>& each);

// The end of the records: completes the last signal.
void finish_read_back(signal_reading& reading, const std::function<void(const read_back_signal&)>& each);
