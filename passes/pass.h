// What every record pass shares: its calling shape, and the prefix that starts
// each of its lines.
#pragma once

#include "capture/image.h"
#include "output/writer.h"

// A pass walks all records of the image and prints to `out`. The dump ignores
// `verbose`; the format passes add column headers and statistics with it.
using pass_routine = void (*)(const capture_image& image, out_writer& out, bool verbose);

// "L : [%2X] : " with the line letter and the record number, stored at `p`
// (at most 27 bytes).
inline char* put_record_prefix(char* p, char letter, std::uint64_t number) {
    *p++ = letter;
    p = put_text(p, " : [");
    p = put_hex(p, number, 2, ' ');
    return put_text(p, "] : ");
}

inline void print_record_prefix(out_writer& out, char letter, std::uint64_t number) {
    out_commit(out, put_record_prefix(out_room(out, 32), letter, number));
}
