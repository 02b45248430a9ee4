// Opening captures for the companions.
#include "tools/shared/capture_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "tools/shared/text_input.h"

namespace {

// A copy of `in` in an unnamed temporary file, or nullptr with errno set.
std::FILE* copy_to_temporary(std::FILE* in) {
    std::FILE* copy = std::tmpfile();
    if (copy == nullptr) return nullptr;
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        if (std::fwrite(chunk, 1, n, copy) != n) break;
    if (std::ferror(in) || std::ferror(copy) || std::fflush(copy) != 0) {
        const int error = errno != 0 ? errno : EIO;
        std::fclose(copy);
        errno = error;
        return nullptr;
    }
    return copy;
}

}  // namespace

problem open_capture_file(const char* path, capture_file& capture) {
    const std::string name = path;
    const auto refuse = [&](const std::string& what) {
        if (capture.file != nullptr && capture.file != stdin) std::fclose(capture.file);
        capture.file = nullptr;
        return failure(what);
    };
    const bool standard_input = name == "-";
    if (standard_input) {
        capture.file = stdin;
    } else if (const int error = open_capture(path, &capture.file)) {
        return refuse("cannot open " + name + ": " + std::strerror(error));
    }
    std::int64_t size = measure_capture(capture.file);
    if (size < 0) {  // a pipe, a FIFO, a terminal
        std::FILE* copy = copy_to_temporary(capture.file);
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
    if (capture.records != 0) release_capture(capture.image);
    if (capture.file != nullptr && capture.file != stdin) std::fclose(capture.file);
    capture = capture_file{};
}

problem capture_read_failure(const char* path, int error) {
    return failure(std::string("cannot read ") + path + ": " + std::strerror(error));
}
