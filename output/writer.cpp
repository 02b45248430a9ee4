// Buffered standard-output writer: flushing with the system's own write,
// unbuffered by the C library, and the number conversions.
#include "output/writer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

void out_release(out_writer& out) {
    if (out.owned) std::free(out.buffer);
    out.buffer = nullptr;
    out.owned = false;
}

bool out_init(out_writer& out, int fd, char* buffer) {
    if (buffer != nullptr && buffer != out.buffer) {
        if (out.owned) std::free(out.buffer);
        out.buffer = buffer;
        out.owned = false;
    } else if (out.buffer == nullptr) {
        // malloc, not new: tavlin stays a C library program, and a failed
        // allocation is a status, not an exception.
        out.buffer = static_cast<char*>(std::malloc(out_writer::kCapacity));
        out.owned = out.buffer != nullptr;
    }
    out.fd = fd;
    out.error = 0;
    out.used = 0;
    return out.buffer != nullptr;
}

bool out_flush(out_writer& out) {
    std::size_t done = 0;
    while (out.error == 0 && done < out.used) {
        int error = 0;
        const std::int64_t n = platform_write(out.fd, out.buffer + done, out.used - done, error);
        if (n < 0) {
            out.error = error;
        } else if (n == 0) {
            out.error = EIO;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    // After a failure the rest is dropped: nothing more can reach the reader
    // in order, and the run reports the failure when it ends.
    out.used = 0;
    return out.error == 0;
}

void out_bytes(out_writer& out, const char* data, std::size_t length) {
    while (length > 0) {
        if (out.used == out_writer::kCapacity) out_flush(out);
        std::size_t room = out_writer::kCapacity - out.used;
        std::size_t n = length < room ? length : room;
        std::memcpy(out.buffer + out.used, data, n);
        out.used += n;
        data += n;
        length -= n;
    }
}

char* put_hex(char* p, std::uint64_t value, int min_digits, char pad) {
    char text[16];
    int digits = 0;
    do {
        text[15 - digits++] = kHexDigits[value & 0xFu];
        value >>= 4;
    } while (value != 0);
    for (int i = digits; i < min_digits; ++i) *p++ = pad;
    return put_text(p, std::string_view(text + 16 - digits, static_cast<std::size_t>(digits)));
}

void out_dec(out_writer& out, std::int64_t value) {
    char text[20];
    int n = 0;
    // Work on the magnitude in unsigned arithmetic so that the most negative
    // value needs no special case.
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        text[19 - n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) out_char(out, '-');
    out_bytes(out, text + 20 - n, static_cast<std::size_t>(n));
}
