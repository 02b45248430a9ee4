// Loading the capture file into its image, and the reads at the end of the data.
#include "capture/image.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

std::int32_t partial_word(const capture_image& image, std::uint64_t index) {
    // Only the word that straddles the end holds data; its missing high-order
    // bytes are 0, and every word after it is 0.
    if (index != image.whole_words) return 0;
    std::uint32_t v = 0;
    std::uint64_t first = 4 * index;
    for (std::uint64_t b = first; b < image.size; ++b) v |= std::uint32_t{image.bytes[b]} << (8 * (b - first));
    return static_cast<std::int32_t>(v);
}

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

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The image buffer. A large image is aligned to 2 MiB and asked for huge
// pages: filling it then takes one page fault per 2 MiB instead of one per
// 4 KiB, which is most of the cost of loading a large capture.
unsigned char* allocate_image(std::uint64_t size) {
    errno = 0;
    if (size < kHugePage) return static_cast<unsigned char*>(std::malloc(size));
    const std::uint64_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);
    return static_cast<unsigned char*>(p);
}

}  // namespace

capture_image image_of_bytes(const unsigned char* bytes, std::uint64_t size) {
    return capture_image{bytes, size, size / 4};
}

load_result load_capture(std::FILE* file, std::uint64_t size, capture_image& image) {
    unsigned char* bytes = allocate_image(size);
    if (bytes == nullptr) return {load_failure::allocation, errno != 0 ? errno : ENOMEM};
    errno = 0;
    std::size_t got = std::fread(bytes, 1, size, file);
    if (got != size) {
        // A read error, or a file that shrank since it was measured: the
        // missing bytes are not to be decoded as zeros.
        int error = std::ferror(file) && errno != 0 ? errno : EIO;
        std::free(bytes);
        return {load_failure::read, error};
    }
    image = image_of_bytes(bytes, size);
    return {load_failure::none, 0};
}

void release_capture(capture_image& image) {
    std::free(const_cast<unsigned char*>(image.bytes));
    image = capture_image{};
}
