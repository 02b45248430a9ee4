// A capture opened by a companion: standard input ("-") or any input that
// cannot seek is first copied to an unnamed temporary file, since records
// are read by their place. Input that is plainly text, or that holds no
// record, is refused: text goes through mkcapture first.
#pragma once

#include <cstdio>

#include "capture/image.h"

struct capture_file {
    std::FILE* file = nullptr;
    capture_image image;
    std::uint64_t records = 0;
};

// Opens and loads `path`. Returns 0, or, after printing "TOOL: what is
// wrong" to standard error, the exit status 1.
int open_capture_file(const char* tool, const char* path, capture_file& capture);

void close_capture_file(capture_file& capture);

// Prints the failed read of a capture and returns the exit status 1.
int capture_read_failure(const char* tool, const char* path, int error);
