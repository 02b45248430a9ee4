// The POSIX side of the platform layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

int platform_open_read(const native_char* path, std::FILE** file) {
    errno = 0;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return errno != 0 ? errno : EIO;
    // fopen accepts a directory here; its "size" would be meaningless.
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return EISDIR;
    }
    *file = f;
    return 0;
}

int platform_descriptor(std::FILE* file) { return fileno(file); }

std::int64_t platform_file_size(std::FILE* file, int& error) {
    errno = 0;
    off_t size = -1;
    if (fseeko(file, 0, SEEK_END) == 0) size = ftello(file);
    if (size >= 0 && fseeko(file, 0, SEEK_SET) != 0) size = -1;
    if (size < 0) error = errno != 0 ? errno : EIO;
    return size;
}

std::int64_t platform_read_at(int fd, unsigned char* buffer, std::uint64_t length, std::uint64_t offset, int& error) {
    for (;;) {
        const ssize_t n = pread(fd, buffer, length, static_cast<off_t>(offset));
        if (n >= 0) return n;
        if (errno != EINTR) {
            error = errno != 0 ? errno : EIO;
            return -1;
        }
    }
}

std::int64_t platform_write(int fd, const char* data, std::size_t length, int& error) {
    for (;;) {
        const ssize_t n = ::write(fd, data, length);
        if (n >= 0) return n;
        if (errno != EINTR) {
            error = errno != 0 ? errno : EIO;
            return -1;
        }
    }
}

unsigned char* platform_zeroed_block(std::uint64_t bytes, int& error) {
    constexpr std::uint64_t kPage = 4096;
    errno = 0;
    auto* block = static_cast<unsigned char*>(std::aligned_alloc(kPage, (bytes + kPage - 1) / kPage * kPage));
    if (block == nullptr) {
        error = errno != 0 ? errno : ENOMEM;
        return nullptr;
    }
    std::memset(block, 0, bytes);
    return block;
}

void platform_free_block(unsigned char* block, std::uint64_t) { std::free(block); }

int platform_extend_file(int fd, std::uint64_t size) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int platform_empty_block_error() { return ENOMEM; }

int platform_read_error() { return EIO; }

void platform_note_element(const native_char* element) { std::fputs(element, stderr); }

int platform_run_utf8(int argc, native_char** argv, int (*run)(int argc, char** argv)) { return run(argc, argv); }

std::basic_string<native_char> platform_path(const char* path) { return path; }

std::FILE* platform_fopen(const char* path, const char* mode) { return std::fopen(path, mode); }

std::FILE* platform_tmpfile() { return std::tmpfile(); }

bool platform_is_terminal(int fd) { return isatty(fd) == 1; }
