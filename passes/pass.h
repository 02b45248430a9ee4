// What every record pass shares: the prefix that starts each of its lines.
// A pass walks the records of the image and prints to its writer. It returns
// 0, or the errno of a read of the file that failed: the pass then ends, and
// prints no line that needed the bytes the file did not deliver.
#pragma once

#include "capture/image.h"
#include "output/writer.h"

// "L : [%2X] : " with the line letter and the record number, stored at `p`
// (at most 27 bytes).
inline char* put_record_prefix(char* p, char letter, std::uint64_t number) {
    *p++ = letter;
    p = put_text(p, " : [");
    p = put_hex(p, number, 2, ' ');
    return put_text(p, "] : ");
}
