// A capture opened by a companion: standard input ("-") or any input that
// cannot seek is read record after record where the reader goes in order,
// else first copied to an unnamed temporary file, since records are read by
// their place. Input that holds no record, or that is plainly
// text (and not a header and whole records), is refused: text goes through
// mkcapture first.
#pragma once

#include <cstdio>

#include "capture/image.h"
#include "tools/shared/problem.h"

struct capture_file {
    std::FILE* file = nullptr;
    capture_image image;
    std::uint64_t records = 0;  // kUnknownRecords for a stream
    // A stream (opened `in_order`): the records are read one after the
    // other as they are asked for, and never copied.
    bool stream = false;
    std::uint64_t next = 1;  // the stream's next record
    bool ended = false;      // the stream has no more records
    int error = 0;           // errno of a failed read of the stream
    unsigned char record[kRecordBytes];
};

constexpr std::uint64_t kUnknownRecords = UINT64_MAX;

// Opens and loads `path`, or says why it cannot. With `in_order`, an input
// that cannot seek (a pipe, a FIFO) is read as a stream by stream_record,
// for a reader that asks for records in increasing order; otherwise it is
// copied to a temporary file first, at most `most_bytes` of it (what the
// reader will look at).
problem open_capture_file(const char* path, capture_file& capture, bool in_order = false,
                          std::uint64_t most_bytes = UINT64_MAX);

// The words of record `number` of a stream (after every record asked for
// before it), zeros past its data. Returns false when the stream ended
// before that record, or its read failed (`error`).
bool stream_record(capture_file& capture, std::uint64_t number, word_span& words);

void close_capture_file(capture_file& capture);

// A read of the capture at `path` that failed with `error`.
problem capture_read_failure(const char* path, int error);
