// The capture image: the file's bytes followed by zeros without end, read as
// little-endian signed 32-bit words addressed by absolute index (word w lies
// at byte 4 × w). Frames may run on past their record and past the end of the
// file, and find zeros there; a word that straddles the end has its missing
// high-order bytes 0.
//
// The file is read through a window of a few megabytes that moves forward
// with the record walk, so memory stays small whatever the file's size. A
// pass asks for the words of a record or of a frame as one span, and gets a
// pointer it can read every word of: past the end of the data the span's
// words are zeros, from a zero tail kept behind the window. A span also says
// how many of its words the file really delivered: a read that fails (an I/O
// error, or a file that shrank) is reported with the span, and a line that
// needed a word the file did not deliver is never printed.
#pragma once

#include <cstdint>
#include <cstdio>

#include "capture/layout.h"
#include "platform/platform.h"

// The most words one span may hold: a frame's first pair and 2048 pairs after
// it, rounded up.
constexpr std::uint64_t kMaxSpanWords = 4608;

struct capture_image {
    std::uint64_t size = 0;           // file size in bytes
    int fd = -1;                      // the file the window is read from
    unsigned char* buffer = nullptr;  // the window and its zero tail
    std::uint64_t window_start = 0;   // file offset of buffer[0]
    std::uint64_t window_bytes = 0;   // file bytes the window holds
    int window_error = 0;             // errno of the read that filled the window short, else 0
    std::uint64_t capacity = 0;       // bytes of buffer
};

struct word_span {
    const unsigned char* words;  // the span's words, all readable
    std::uint64_t delivered;     // leading words that hold the file's content (or the zeros past its end)
    int error;                   // errno of the failed read when delivered is less than the span
};

// The `count` words (at most kMaxSpanWords) from absolute word `first` on.
// The pointer stays valid until the next call.
word_span image_words(capture_image& image, std::uint64_t first, std::uint64_t count);

// Loading. Each step reports failure through its result; the run decides
// what to print and how to end.

// Opens the capture for reading. Returns 0, or the errno of the failure;
// a directory is refused (EISDIR; on Windows EACCES).
int open_capture(const native_char* path, std::FILE** file);

// The size in bytes, measured by seeking to the end and back; -1 with errno
// set when the position cannot be read.
std::int64_t measure_capture(std::FILE* file);

// The same, with the error in `error` instead of errno.
std::int64_t measure_capture(std::FILE* file, int& error);

enum class load_failure { none, allocation, read };

struct load_result {
    load_failure failure;
    int error;  // errno of the failure
};

// Makes an image of the first `size` bytes (size > 0) of the open file and
// reads its first window. The file must stay open while the image is in use.
load_result load_capture(std::FILE* file, std::uint64_t size, capture_image& image);

void release_capture(capture_image& image);
