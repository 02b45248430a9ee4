// What every record pass shares: its calling shape, and the prefix that starts
// each of its lines.
#pragma once

#include "capture/image.h"
#include "output/writer.h"

// A pass walks all records of the image and prints to `out`. The dump ignores
// `verbose`; the format passes add column headers and statistics with it.
using pass_routine = void (*)(const capture_image& image, out_writer& out, bool verbose);

// "L : [%2X] : " with the line letter and the record number.
inline void print_record_prefix(out_writer& out, char letter, std::uint64_t number) {
    out_char(out, letter);
    out_text(out, " : [");
    out_hex(out, number, 2, ' ');
    out_text(out, "] : ");
}
