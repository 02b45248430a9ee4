// The one buffered writer behind standard output. Every pass prints through it:
// text, single characters, and the hexadecimal and decimal conversions the
// output format needs, formatted here rather than by printf, so that a dump of
// a large capture costs a few stores per word. The writer flushes only when its
// buffer is full and when the run ends; the first failed write is remembered
// and later output is dropped, so the run can report it at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct out_writer {
    static constexpr std::size_t kCapacity = 1 << 16;
    int fd = -1;
    int error = 0;  // errno of the first failed write; 0 while all is well
    std::size_t used = 0;
    char buffer[kCapacity];
};

void out_init(out_writer& out, int fd);

// Writes out everything buffered. Returns false once any write has failed.
bool out_flush(out_writer& out);

void out_bytes(out_writer& out, const char* data, std::size_t length);

inline void out_text(out_writer& out, std::string_view text) { out_bytes(out, text.data(), text.size()); }

inline void out_char(out_writer& out, char c) {
    if (out.used == out_writer::kCapacity) out_flush(out);
    out.buffer[out.used++] = c;
}

// Uppercase hexadecimal of the value's bit pattern, padded on the left with
// `pad` to at least `min_digits` digits and never cut: (v, 8, '0') is "%08X",
// (v, 2, '0') "%02X", (v, 1, '0') "%01X" and (v, 2, ' ') "%2X".
void out_hex(out_writer& out, std::uint64_t value, int min_digits, char pad);

// "%08X" of a 32-bit word, the conversion the dump and the tails print most.
inline void out_hex8(out_writer& out, std::uint32_t value) {
    if (out_writer::kCapacity - out.used < 8) out_flush(out);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char* p = out.buffer + out.used;
    for (int i = 7; i >= 0; --i) {
        p[i] = kDigits[value & 0xFu];
        value >>= 4;
    }
    out.used += 8;
}

// Signed decimal, as "%d" prints it.
void out_dec(out_writer& out, std::int64_t value);
