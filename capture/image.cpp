// The window over the capture file.
#include "capture/image.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr std::uint64_t kWindowBytes = std::uint64_t{2} << 20;
// Zeros behind the window's last byte: a span that starts inside the data
// and reaches past its end is read from here.
constexpr std::uint64_t kZeroTailBytes = 4 * kMaxSpanWords;
// The span of words wholly past the data.
constexpr unsigned char kZeros[kZeroTailBytes] = {};

bool window_at_end(const capture_image& image) {
    return image.window_error == 0 && image.window_start + image.window_bytes == image.size;
}

// Fills the window with the file's bytes from `start` on. A read that fails,
// or a file that ends before its measured size, leaves the window short,
// with window_error set; the bytes it did not deliver read as zeros.
void fill_window(capture_image& image, std::uint64_t start) {
    const std::uint64_t length = image.size - start < kWindowBytes ? image.size - start : kWindowBytes;
    std::uint64_t done = 0;
    int error = 0;
    while (done < length) {
        int read_error = 0;
        const std::int64_t n = platform_read_at(image.fd, image.buffer + done, length - done, start + done, read_error);
        if (n <= 0) {  // 0: the file ends before its measured size
            error = n < 0 ? read_error : platform_read_error();
            break;
        }
        done += static_cast<std::uint64_t>(n);
    }
    std::memset(image.buffer + done, 0, kZeroTailBytes);
    image.window_start = start;
    image.window_bytes = done;
    image.window_error = error;
}

}  // namespace

word_span image_words(capture_image& image, std::uint64_t first, std::uint64_t count) {
    // A word that starts at or past the end of the data is 0.
    if (first >= image.size / 4 + (image.size % 4 != 0)) return {kZeros, count, 0};
    const std::uint64_t begin = 4 * first;
    const std::uint64_t window_end = image.window_start + image.window_bytes;
    const bool held =
        begin >= image.window_start && begin < window_end && (begin + 4 * count <= window_end || window_at_end(image));
    if (!held) fill_window(image, begin - begin % 4096);

    const std::uint64_t offset = begin - image.window_start;
    const std::uint64_t held_words = offset < image.window_bytes ? (image.window_bytes - offset) / 4 : 0;
    const std::uint64_t delivered = window_at_end(image) || held_words >= count ? count : held_words;
    return {image.buffer + offset, delivered, delivered < count ? image.window_error : 0};
}

int open_capture(const native_char* path, std::FILE** file) { return platform_open_read(path, file); }

std::int64_t measure_capture(std::FILE* file, int& error) { return platform_file_size(file, error); }

std::int64_t measure_capture(std::FILE* file) {
    int error = 0;
    const std::int64_t size = platform_file_size(file, error);
    if (size < 0) errno = error;
    return size;
}

load_result load_capture(std::FILE* file, std::uint64_t size, capture_image& image) {
    // The buffer starts on a page, as the file offsets the window reads from
    // do: the kernel copies into a misaligned buffer several times slower.
    const std::uint64_t window = size < kWindowBytes ? size : kWindowBytes;
    const std::uint64_t capacity = window + kZeroTailBytes;
    int allocation_error = 0;
    unsigned char* buffer = platform_zeroed_block(capacity, allocation_error);
    if (buffer == nullptr) return {load_failure::allocation, allocation_error};
    image = capture_image{size, platform_descriptor(file), buffer, 0, 0, 0, capacity};
    fill_window(image, 0);
    if (image.window_error != 0) {
        const int error = image.window_error;
        release_capture(image);
        return {load_failure::read, error};
    }
    return {load_failure::none, 0};
}

void release_capture(capture_image& image) {
    if (image.buffer != nullptr) platform_free_block(image.buffer, image.capacity);
    image = capture_image{};
}
