// The capture image and the record walk.
//
// A capture file is a 1024-byte header followed by 2048-byte records of 512
// little-endian signed 32-bit durations. The image holds the file's bytes
// read-only; words are addressed by absolute index (word w lies at byte 4 × w
// of the file). Every word at or beyond the end of the data reads 0, and a word
// that straddles the end has its missing high-order bytes 0: frames may run on
// past their record and past the end of the file, and find zeros there.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr std::uint64_t kHeaderBytes = 1024;
constexpr std::uint64_t kRecordBytes = 2048;
constexpr std::uint64_t kRecordWords = 512;

struct capture_image {
    const unsigned char* bytes = nullptr;
    std::uint64_t size = 0;         // file size in bytes
    std::uint64_t whole_words = 0;  // words that lie wholly inside the data
};

// Word w of the image: its little-endian value, or 0 beyond the data.
std::int32_t partial_word(const capture_image& image, std::uint64_t index);

inline std::int32_t image_word(const capture_image& image, std::uint64_t index) {
    if (index < image.whole_words) {
        const unsigned char* p = image.bytes + 4 * index;
        std::uint32_t v =
            std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
        return static_cast<std::int32_t>(v);
    }
    return partial_word(image, index);
}

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

// Reads `size` bytes (size > 0) of the file into a new image.
load_result load_capture(std::FILE* file, std::uint64_t size, capture_image& image);

// Wraps bytes already in memory as an image, without copying them.
capture_image image_of_bytes(const unsigned char* bytes, std::uint64_t size);

void release_capture(capture_image& image);
