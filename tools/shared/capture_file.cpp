// Opening captures for the companions.
#include "tools/shared/capture_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tools/shared/text_input.h"

namespace {

// A copy of `in`, at most `most_bytes` of it, in an unnamed temporary file,
// or nullptr with errno set.
std::FILE* copy_to_temporary(std::FILE* in, std::uint64_t most_bytes) {
    std::FILE* copy = platform_tmpfile();
    if (copy == nullptr) return nullptr;
    char chunk[1 << 16];
    std::size_t n;
    for (std::uint64_t copied = 0; copied < most_bytes; copied += n) {
        const std::uint64_t room = most_bytes - copied;
        n = std::fread(chunk, 1, room < sizeof chunk ? static_cast<std::size_t>(room) : sizeof chunk, in);
        if (n == 0 || std::fwrite(chunk, 1, n, copy) != n) break;
    }
    if (std::ferror(in) || std::ferror(copy) || std::fflush(copy) != 0) {
        const int error = errno != 0 ? errno : EIO;
        std::fclose(copy);
        errno = error;
        return nullptr;
    }
    return copy;
}

// Reads up to `bytes` of the stream; returns how many it read, with
// `error` set on a failed read.
std::size_t read_stream(capture_file& capture, unsigned char* into, std::size_t bytes) {
    const std::size_t n = std::fread(into, 1, bytes, capture.file);
    if (n < bytes && std::ferror(capture.file)) capture.error = errno != 0 ? errno : EIO;
    return n;
}

// Fills capture.record with the stream's next record; a last record cut
// short is completed with zeros, as a capture image reads past its data.
void read_next_record(capture_file& capture) {
    const std::size_t n = read_stream(capture, capture.record, kRecordBytes);
    std::memset(capture.record + n, 0, kRecordBytes - n);
    if (n == 0 || capture.error != 0) capture.ended = true;
}

// A stream: its header is skipped, its first record read, and both checked
// as a capture read from a file is.
problem open_stream(const std::string& name, capture_file& capture) {
    unsigned char header[kHeaderBytes];
    const std::size_t n = read_stream(capture, header, sizeof header);
    capture.stream = true;
    capture.records = kUnknownRecords;
    if (capture.error == 0 && n == sizeof header) read_next_record(capture);
    const auto fail = [&](const std::string& what) {
        if (capture.file != stdin) std::fclose(capture.file);
        capture.file = nullptr;
        return failure(what);
    };
    if (capture.error != 0) return fail("cannot read " + name + ": " + std::strerror(capture.error));
    if (n < sizeof header || capture.ended)
        return fail(name + " holds no record: a capture is a 1024-byte header, then 2048-byte records");
    // A stream's size is not known in advance: its start alone tells text,
    // which has its line ends where a capture of printable words has none.
    std::string start(reinterpret_cast<const char*>(header), sizeof header);
    start.append(reinterpret_cast<const char*>(capture.record), kRecordBytes);
    if (!looks_binary(start) && start.find('\n') != std::string::npos)
        return fail(name + " looks like text, not a capture: make a capture of it with mkcapture");
    return {};
}

}  // namespace

bool stream_record(capture_file& capture, std::uint64_t number, word_span& words) {
    // The record in hand is capture.next; later ones are read, earlier ones
    // are gone.
    while (!capture.ended && capture.next < number) {
        read_next_record(capture);
        ++capture.next;
    }
    words = {capture.record, kRecordWords, capture.error};
    return !capture.ended && capture.next == number;
}

problem open_capture_file(const char* path, capture_file& capture, bool in_order, std::uint64_t most_bytes) {
    const std::string name = path;
    const auto refuse = [&](const std::string& what) {
        if (capture.file != nullptr && capture.file != stdin) std::fclose(capture.file);
        capture.file = nullptr;
        return failure(what);
    };
    const bool standard_input = name == "-";
    if (standard_input) {
        capture.file = stdin;
    } else if (const int error = open_capture(platform_path(path).c_str(), &capture.file)) {
        return refuse("cannot open " + name + ": " + std::strerror(error));
    }
    std::int64_t size = measure_capture(capture.file);
    if (size < 0 && in_order) return open_stream(name, capture);
    if (size < 0) {  // a pipe, a FIFO, a terminal
        std::FILE* copy = copy_to_temporary(capture.file, most_bytes);
        if (copy == nullptr) return refuse("cannot read " + name + ": " + std::strerror(errno));
        if (!standard_input) std::fclose(capture.file);
        capture.file = copy;
        size = measure_capture(capture.file);
    }
    if (size <= static_cast<std::int64_t>(kHeaderBytes))
        return refuse(name + " holds no record: a capture is a 1024-byte header, then 2048-byte records");
    char start[4096];
    const std::size_t n = std::fread(start, 1, sizeof start, capture.file);
    // Text passed for a capture is told by its bytes; a file of a header and
    // whole records is a capture whatever its words are, printable ones too.
    const bool whole_records = (static_cast<std::uint64_t>(size) - kHeaderBytes) % kRecordBytes == 0;
    if (!whole_records && !looks_binary(std::string_view(start, n)))
        return refuse(name + " looks like text, not a capture: make a capture of it with mkcapture");
    const load_result loaded = load_capture(capture.file, static_cast<std::uint64_t>(size), capture.image);
    if (loaded.failure != load_failure::none)
        return refuse("cannot read " + name + ": " + std::strerror(loaded.error));
    capture.records = record_count(capture.image.size);
    return {};
}

void close_capture_file(capture_file& capture) {
    if (capture.records != 0 && !capture.stream) release_capture(capture.image);
    if (capture.file != nullptr && capture.file != stdin) std::fclose(capture.file);
    capture = capture_file{};
}

problem capture_read_failure(const char* path, int error) {
    return failure(std::string("cannot read ") + path + ": " + std::strerror(error));
}
