// A capture opened by a companion: standard input ("-") or any input that
// cannot seek is first copied to an unnamed temporary file, since records
// are read by their place. Input that holds no record, or that is plainly
// text (and not a header and whole records), is refused: text goes through
// mkcapture first.
#pragma once

#include <cstdio>

#include "capture/image.h"
#include "tools/shared/problem.h"

struct capture_file {
    std::FILE* file = nullptr;
    capture_image image;
    std::uint64_t records = 0;
};

// Opens and loads `path`, or says why it cannot.
problem open_capture_file(const char* path, capture_file& capture);

void close_capture_file(capture_file& capture);

// A read of the capture at `path` that failed with `error`.
problem capture_read_failure(const char* path, int error);
