// The window over the capture file, and the reads at the end of the data.
#include "capture/image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

int open_capture(const char* path, std::FILE** file) {
    errno = 0;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return errno != 0 ? errno : EIO;
    // fopen accepts a directory on Linux; its "size" would be meaningless.
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return EISDIR;
    }
    *file = f;
    return 0;
}

std::int64_t measure_capture(std::FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    off_t size = ftello(file);
    if (size < 0) return -1;
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
    return size;
}

namespace {

constexpr std::uint64_t kWindowBytes = std::uint64_t{2} << 20;
// How far the window reaches back from the word that moved it: enough for a
// frame's tail words after its pairs ran on past a record.
constexpr std::uint64_t kWindowBackBytes = std::uint64_t{64} << 10;

// Moves the window so that it holds word `index` (which starts inside the
// file). Returns false, with read_error set, when the file cannot be read
// there. A file that has shrunk since it was measured keeps what it still
// holds readable; its missing bytes are a failed read, never zeros.
bool move_window(const capture_image& image, std::uint64_t index) {
    std::uint64_t start = 4 * index > kWindowBackBytes ? 4 * index - kWindowBackBytes : 0;
    start -= start % 4096;
    const std::uint64_t length = image.size - start < kWindowBytes ? image.size - start : kWindowBytes;
    std::uint64_t done = 0;
    while (done < length) {
        const ssize_t n = pread(image.fd, image.buffer + done, length - done, static_cast<off_t>(start + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            image.read_error = errno != 0 ? errno : EIO;
            image.window_words = image.window_bytes = 0;
            return false;
        }
        if (n == 0) break;  // the end of a file shorter than measured
        done += static_cast<std::uint64_t>(n);
    }
    image.window = image.buffer;
    image.window_first = start / 4;
    image.window_bytes = done;
    image.window_words = done / 4;
    if (4 * index + 4 > start + done && start + done < image.size) {
        image.read_error = EIO;
        return false;
    }
    return true;
}

}  // namespace

std::int32_t word_outside_window(const capture_image& image, std::uint64_t index) {
    // Only the word that straddles the end holds data beyond the whole words,
    // its missing high-order bytes 0; every word after it is 0.
    if (index > image.whole_words || 4 * index >= image.size) return 0;
    const bool held = index >= image.window_first && 4 * (index - image.window_first) < image.window_bytes;
    if (!held && (image.fd < 0 || image.read_error != 0 || !move_window(image, index))) return 0;
    const std::uint64_t first = 4 * (index - image.window_first);
    std::uint32_t v = 0;
    for (std::uint64_t b = first; b < first + 4 && b < image.window_bytes; ++b)
        v |= std::uint32_t{image.window[b]} << (8 * (b - first));
    return static_cast<std::int32_t>(v);
}

const unsigned char* image_words(const capture_image& image, std::uint64_t first, std::uint64_t count) {
    if (first > image.whole_words || image.whole_words - first < count) return nullptr;
    const auto held = [&] {
        return first >= image.window_first && first - image.window_first <= image.window_words &&
               image.window_words - (first - image.window_first) >= count;
    };
    if (!held() && (image.fd < 0 || image.read_error != 0 || !move_window(image, first) || !held())) return nullptr;
    return image.window + 4 * (first - image.window_first);
}

capture_image image_of_bytes(const unsigned char* bytes, std::uint64_t size) {
    capture_image image;
    image.size = size;
    image.whole_words = size / 4;
    image.window = bytes;
    image.window_bytes = size;
    image.window_words = size / 4;
    return image;
}

load_result load_capture(std::FILE* file, std::uint64_t size, capture_image& image) {
    struct stat st;
    // A regular file that shrank since it was measured cannot deliver its
    // size; its missing bytes are a read failure, not zeros.
    if (fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) < size)
        return {load_failure::read, EIO};
    errno = 0;
    const std::uint64_t capacity = size < kWindowBytes ? size : kWindowBytes;
    auto* buffer = static_cast<unsigned char*>(std::malloc(capacity));
    if (buffer == nullptr) return {load_failure::allocation, errno != 0 ? errno : ENOMEM};
    capture_image loaded;
    loaded.size = size;
    loaded.whole_words = size / 4;
    loaded.fd = fileno(file);
    loaded.buffer = buffer;
    if (!move_window(loaded, 0)) {
        std::free(buffer);
        return {load_failure::read, loaded.read_error};
    }
    image = loaded;
    return {load_failure::none, 0};
}

void release_capture(capture_image& image) {
    if (image.fd >= 0) std::free(image.buffer);
    image = capture_image{};
}
