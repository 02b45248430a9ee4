// Where a record stands in the signals an import laid out (see
// tools/shared/record_layout.h): the run of durations it belongs to, ended
// by a note; the signal's name from the note of its first record; which
// frame of the signal the run is; and where the record's durations end, so
// that the page draws the signal and not the note or the words after it.
//
// A record is looked at with the records around it: forward to the note
// that ends its run (a run spans at most kMostRunRecords records), back
// over the runs before it to the record that starts its signal (at most
// kMostFramesBack runs; past that the frame is not known). A record of no
// noted run is not placed: it is drawn as its words are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/image.h"

constexpr unsigned kMostFramesBack = 256;

struct record_place {
    bool noted = false;       // the record belongs to a run that ends in a note
    bool note_alone = false;  // it holds only the note of the record before
    std::uint64_t end = 0;    // the word that ends its durations; kRecordWords: they go on into the next record
    std::uint64_t part = 0;   // records of its run before it: its durations continue those of the record before
    unsigned frame = 0;       // the run's place in its signal, from 1; 0: not known
    std::string name;         // the signal's name, from its first record's note
};

// The runs placed last, so that the records of a list, read in order, are
// placed without walking back over the same runs again.
struct place_cache {
    struct run {
        std::uint64_t note_record;  // the record that holds the run's note
        unsigned frame;
        std::string name;
        bool goes_on;  // a gap after it: the run after it is of the same signal, unless its note starts one
    };
    std::vector<run> runs;
    // A stretch of records seen filled to their end, each after the first
    // with word 0 a duration: a record there need not be read again to know
    // it goes on into the next (a stretch of filled records costs a read
    // each, not one per record and run record).
    std::uint64_t filled_first = 0, filled_last = 0;
};

// Places record `number`. Returns 0, or the errno of a failed read.
int place_record(capture_image& image, std::uint64_t number, place_cache& cache, record_place& place);

// The record's signal as a label beside its number: the name, then what
// the record is of it in parentheses: "power", "power (frame 2)",
// "power (frame 2, continued)", "power (its note)"; "" for a record that is
// not placed or a first record of a signal without a name.
std::string place_label(const record_place& place);
