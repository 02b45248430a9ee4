// The capture file's layout: a 1024-byte header, then 2048-byte records of
// 512 little-endian signed 32-bit durations. The decoder, the companions, the
// benchmark's generator, the tests and the fuzz checks all take the layout
// from here.
#pragma once

#include <cstdint>

constexpr std::uint64_t kHeaderBytes = 1024;
constexpr std::uint64_t kRecordBytes = 2048;
constexpr std::uint64_t kRecordWords = 512;
static_assert(kRecordBytes == 4 * kRecordWords);

// The record walk: records start at byte 1024 and follow every 2048 bytes
// while the start lies inside the file; they are numbered from 1, and the
// last one may be partial.
inline std::uint64_t record_count(std::uint64_t file_bytes) {
    if (file_bytes <= kHeaderBytes) return 0;
    return (file_bytes - kHeaderBytes + kRecordBytes - 1) / kRecordBytes;
}

// Absolute index of word 0 of record `number` (1-based): word w of the file
// lies at byte 4 × w.
inline std::uint64_t record_first_word(std::uint64_t number) {
    return (kHeaderBytes + kRecordBytes * (number - 1)) / 4;
}

inline std::int32_t load_word(const unsigned char* p) {
    const std::uint32_t v =
        std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    return static_cast<std::int32_t>(v);
}

inline void store_word(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
