// What every record pass shares: its calling shape, and the prefix that starts
// each of its lines.
#pragma once

#include "capture/image.h"
#include "output/writer.h"

// A pass walks the records of the image and prints to `out`. It returns 0,
// or the errno of a read of the file that failed: the pass then ends, and
// prints no line that needed the bytes the file did not deliver. The dump
// ignores `verbose`; the format passes add column headers and statistics
// with it.
using pass_routine = int (*)(capture_image& image, out_writer& out, bool verbose);

// "L : [%2X] : " with the line letter and the record number, stored at `p`
// (at most 27 bytes).
inline char* put_record_prefix(char* p, char letter, std::uint64_t number) {
    *p++ = letter;
    p = put_text(p, " : [");
    p = put_hex(p, number, 2, ' ');
    return put_text(p, "] : ");
}
