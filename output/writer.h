// The one buffered writer of a run's output. Every pass prints through it:
// text, single characters, and the hexadecimal and decimal conversions the
// output format needs, formatted here rather than by printf, so that a dump of
// a large capture costs a few stores per word. The writer flushes only when its
// buffer is full and when the run ends; the first failed write is remembered
// and later output is dropped, so the run can report it at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

struct out_writer {
    static constexpr std::size_t kCapacity = std::size_t{1} << 17;
    int fd = -1;
    int error = 0;  // errno of the first failed write; 0 while all is well
    std::size_t used = 0;
    char* buffer = nullptr;  // kCapacity bytes, given to out_init or taken by it
    bool owned = false;      // the buffer was allocated by out_init: out_release frees it
};

// Points the writer at `fd`, with an empty buffer: `buffer` (kCapacity
// bytes) when given, else one allocated the first time and reused after.
// Returns false when no buffer could be had.
bool out_init(out_writer& out, int fd, char* buffer = nullptr);

// Frees a buffer that out_init allocated. The writer stays a plain value,
// so that tavlin's run needs no unwinding and no C++ runtime.
void out_release(out_writer& out);

// Writes out everything buffered. Returns false once any write has failed.
bool out_flush(out_writer& out);

void out_bytes(out_writer& out, const char* data, std::size_t length);

inline void out_text(out_writer& out, std::string_view text) { out_bytes(out, text.data(), text.size()); }

inline void out_char(out_writer& out, char c) {
    if (out.used == out_writer::kCapacity) out_flush(out);
    out.buffer[out.used++] = c;
}

// The digits of uppercase hexadecimal.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// Conversions that store their text at a cursor and return its end; the
// hot loops use them on room taken with out_room.

inline char* put_text(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// Uppercase hexadecimal of the value's bit pattern, padded on the left with
// `pad` to at least `min_digits` digits (at most 16) and never cut:
// (v, 8, '0') is "%08X", (v, 2, '0') "%02X", (v, 1, '0') "%01X" and
// (v, 2, ' ') "%2X".
char* put_hex(char* p, std::uint64_t value, int min_digits, char pad);

// "%08X" of a 32-bit word, the conversion the dump and the tails print most,
// without a table or a branch: the eight nibbles are spread one per byte of a
// 64-bit value, turned into ASCII digits all at once, and stored most
// significant first.
inline char* put_hex8(char* p, std::uint32_t value) {
    std::uint64_t x = value;
    x = (x & 0x000000000000FFFFu) | (x & 0x00000000FFFF0000u) << 16;
    x = (x & 0x000000FF000000FFu) | (x & 0x0000FF000000FF00u) << 8;
    x = (x & 0x000F000F000F000Fu) | (x & 0x00F000F000F000F0u) << 4;
    // Byte i now holds nibble i. A nibble above 9 also gets the 7 that
    // separates 'A' from '9' + 1.
    const std::uint64_t letters = ((x + 0x0606060606060606u) >> 4) & 0x0101010101010101u;
    x += 0x3030303030303030u + letters * 7;
    for (int i = 7; i >= 0; --i) {
        p[i] = static_cast<char>(x & 0xFFu);
        x >>= 8;
    }
    return p + 8;
}

// Direct access for the hot loops: out_room returns a cursor with at least
// `bytes` free behind it (bytes <= kCapacity), and out_commit takes back the
// cursor once the loop has stored its text there.
inline char* out_room(out_writer& out, std::size_t bytes) {
    if (out_writer::kCapacity - out.used < bytes) out_flush(out);
    return out.buffer + out.used;
}

inline void out_commit(out_writer& out, const char* cursor) {
    out.used = static_cast<std::size_t>(cursor - out.buffer);
}

// Signed decimal, as "%d" prints it.
void out_dec(out_writer& out, std::int64_t value);
