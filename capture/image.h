// The capture image and the record walk.
//
// A capture file is a 1024-byte header followed by 2048-byte records of 512
// little-endian signed 32-bit durations. Words are addressed by absolute index
// (word w lies at byte 4 × w of the file). Every word at or beyond the end of
// the data reads 0, and a word that straddles the end has its missing
// high-order bytes 0: frames may run on past their record and past the end of
// the file, and find zeros there.
//
// A file is read through a window of a few megabytes that moves forward with
// the record walk, so memory stays small whatever the file's size, and the
// bytes are read once per walk with large reads. A pass reads forward, at most a few
// thousand words past a record's start and a few words behind its frame's
// anchor; any other read is still served, by moving the window back.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr std::uint64_t kHeaderBytes = 1024;
constexpr std::uint64_t kRecordBytes = 2048;
constexpr std::uint64_t kRecordWords = 512;

struct capture_image {
    std::uint64_t size = 0;           // file size in bytes
    std::uint64_t whole_words = 0;    // words that lie wholly inside the file
    int fd = -1;                      // the file the window is read from; -1 when all bytes are in memory
    unsigned char* buffer = nullptr;  // the window's storage, owned when fd >= 0
    // The window: bytes of the file from word `window_first` on. Reading a
    // word moves it, so these change under a const image.
    mutable const unsigned char* window = nullptr;
    mutable std::uint64_t window_first = 0;
    mutable std::uint64_t window_bytes = 0;
    mutable std::uint64_t window_words = 0;  // whole words in the window
    mutable int read_error = 0;              // errno of the first failed read
};

inline std::int32_t load_word(const unsigned char* p) {
    const std::uint32_t v =
        std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    return static_cast<std::int32_t>(v);
}

// A word the window does not hold: read through a moved window, or 0 beyond
// the data.
std::int32_t word_outside_window(const capture_image& image, std::uint64_t index);

// Word `index` of the file: its little-endian value, or 0 beyond the data.
inline std::int32_t image_word(const capture_image& image, std::uint64_t index) {
    const std::uint64_t offset = index - image.window_first;  // wraps for words before the window
    if (offset < image.window_words) return load_word(image.window + 4 * offset);
    return word_outside_window(image, index);
}

// The bytes of `count` whole words from word `first` on, or nullptr when they
// do not all lie inside the file (count at most a few thousand).
const unsigned char* image_words(const capture_image& image, std::uint64_t first, std::uint64_t count);

// True once a read of the file has failed: the words from there on read 0,
// and the passes stop at their next record.
inline bool image_failed(const capture_image& image) { return image.read_error != 0; }

// The record walk: records start at byte 1024 and follow every 2048 bytes
// while the start lies inside the file; they are numbered from 1, and the
// last one may be partial.
inline std::uint64_t record_count(const capture_image& image) {
    if (image.size <= kHeaderBytes) return 0;
    return (image.size - kHeaderBytes + kRecordBytes - 1) / kRecordBytes;
}

// Absolute index of word 0 of record `number` (1-based).
inline std::uint64_t record_first_word(std::uint64_t number) {
    return (kHeaderBytes + kRecordBytes * (number - 1)) / 4;
}

// Loading. Each step reports failure through its result; the run decides
// what to print and how to end.

// Opens the capture for reading. Returns 0, or the errno of the failure;
// a directory is refused with EISDIR.
int open_capture(const char* path, std::FILE** file);

// The size in bytes, measured by seeking to the end and back; -1 with errno
// set when the position cannot be read.
std::int64_t measure_capture(std::FILE* file);

enum class load_failure { none, allocation, read };

struct load_result {
    load_failure failure;
    int error;  // errno of the failure
};

// Makes an image of the first `size` bytes (size > 0) of the open file and
// reads its first window. A regular file shorter than `size` is a read
// failure. The file must stay open while the image is in use.
load_result load_capture(std::FILE* file, std::uint64_t size, capture_image& image);

// Wraps bytes already in memory as an image, without copying them.
capture_image image_of_bytes(const unsigned char* bytes, std::uint64_t size);

void release_capture(capture_image& image);
