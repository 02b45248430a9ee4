// The capture writer.
#include "capture/writer.h"

#include "platform/platform.h"

namespace {

void write_bytes(capture_writer& capture, const unsigned char* bytes, std::uint64_t length) {
    const std::uint64_t room = capture.written < capture.limit ? capture.limit - capture.written : 0;
    out_bytes(*capture.out, reinterpret_cast<const char*>(bytes), length < room ? length : room);
    capture.written += length;
}

}  // namespace

capture_writer start_capture(out_writer& out, std::optional<std::uint64_t> size) {
    return capture_writer{&out, 0, size.value_or(UINT64_MAX)};
}

void write_header(capture_writer& capture, unsigned char fill) {
    unsigned char header[kHeaderBytes];
    for (unsigned char& byte : header) byte = fill;
    write_bytes(capture, header, sizeof header);
}

void write_record(capture_writer& capture, const std::uint32_t* words, std::uint64_t count) {
    unsigned char record[kRecordBytes] = {};
    for (std::uint64_t i = 0; i < count && i < kRecordWords; ++i) store_word(record + 4 * i, words[i]);
    write_bytes(capture, record, sizeof record);
}

int finish_capture(capture_writer& capture) {
    out_writer& out = *capture.out;
    if (capture.limit != UINT64_MAX && capture.written < capture.limit) {
        // A regular file grows by a hole: no zeros are written.
        const int extended = out_flush(out) ? platform_extend_file(out.fd, capture.limit) : -1;
        if (extended > 0 && out.error == 0) out.error = extended;
        if (extended < 0) {
            static const char kZeros[4096] = {};
            for (std::uint64_t left = capture.limit - capture.written; left > 0 && out.error == 0;) {
                const std::uint64_t n = left < sizeof kZeros ? left : sizeof kZeros;
                out_bytes(out, kZeros, n);
                left -= n;
            }
        }
        capture.written = capture.limit;
    }
    out_flush(out);
    return out.error;
}
