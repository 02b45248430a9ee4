// The Windows side of the platform layer. Standard output and error stay in
// the C library's text mode, so that every line end reaches the reader as
// CR LF; file sizes and offsets are 64-bit throughout.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

}  // namespace

int platform_open_read(const native_char* path, std::FILE** file) {
    // Windows refuses to open a directory as a file, with EACCES.
    errno = 0;
    std::FILE* f = _wfopen(path, L"rb");
    if (f == nullptr) return errno != 0 ? errno : EIO;
    *file = f;
    return 0;
}

int platform_descriptor(std::FILE* file) { return _fileno(file); }

std::int64_t platform_file_size(std::FILE* file, int& error) {
    const HANDLE handle = handle_of(_fileno(file));
    const DWORD type = GetFileType(handle);
    // A pipe has no size and cannot seek; a character device (NUL, a
    // console) holds nothing to read.
    if (type == FILE_TYPE_PIPE) {
        error = ESPIPE;
        return -1;
    }
    if (type == FILE_TYPE_CHAR) return 0;
    LARGE_INTEGER size;
    if (GetFileSizeEx(handle, &size) == 0) {
        error = EIO;
        return -1;
    }
    return size.QuadPart;
}

std::int64_t platform_read_at(int fd, unsigned char* buffer, std::uint64_t length, std::uint64_t offset, int& error) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD asked = length < (DWORD{1} << 30) ? static_cast<DWORD>(length) : DWORD{1} << 30;
    DWORD got = 0;
    if (ReadFile(handle_of(fd), buffer, asked, &got, &at) != 0) return got;
    // Reading at or past the end is the end, not a failure.
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    error = EIO;
    return -1;
}

std::int64_t platform_write(int fd, const char* data, std::size_t length, int& error) {
    // _write turns each "\n" into CR LF on a text-mode descriptor and returns
    // the count of bytes taken from `data`.
    const unsigned asked = length < (std::size_t{1} << 30) ? static_cast<unsigned>(length) : 1u << 30;
    errno = 0;
    const int n = _write(fd, data, asked);
    if (n >= 0) return n;
    error = errno != 0 ? errno : EIO;
    return -1;
}

unsigned char* platform_zeroed_block(std::uint64_t bytes, int& error) {
    // Committed pages come zero-filled and start on a page.
    void* block = VirtualAlloc(nullptr, static_cast<SIZE_T>(bytes), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (block == nullptr) error = static_cast<int>(GetLastError());
    return static_cast<unsigned char*>(block);
}

void platform_free_block(unsigned char* block, std::uint64_t) { VirtualFree(block, 0, MEM_RELEASE); }

int platform_extend_file(int fd, std::uint64_t size) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) return -1;
    return _chsize_s(fd, static_cast<long long>(size));
}

int platform_empty_block_error() {
    // What the system says of a zero-byte allocation, asked of it.
    if (void* none = VirtualAlloc(nullptr, 0, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
        VirtualFree(none, 0, MEM_RELEASE);
        return ERROR_INVALID_PARAMETER;
    }
    return static_cast<int>(GetLastError());
}

int platform_read_error() { return EIO; }

void platform_note_element(const native_char* element) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode;
    const int length = static_cast<int>(std::wcslen(element));
    if (GetConsoleMode(err, &mode) != 0) {
        std::fflush(stderr);
        DWORD written;
        WriteConsoleW(err, element, static_cast<DWORD>(length), &written, nullptr);
        return;
    }
    // Redirected: UTF-8, a character at a time through a small buffer, so
    // that no name is too long and nothing is allocated.
    char text[8];
    for (int i = 0; i < length; ++i) {
        const int pair = i + 1 < length && element[i] >= 0xD800 && element[i] < 0xDC00 &&
                                 element[i + 1] >= 0xDC00 && element[i + 1] < 0xE000
                             ? 2
                             : 1;
        const int n = WideCharToMultiByte(CP_UTF8, 0, element + i, pair, text, sizeof text, nullptr, nullptr);
        std::fwrite(text, 1, static_cast<std::size_t>(n > 0 ? n : 0), stderr);
        i += pair - 1;
    }
}

namespace {

std::wstring wide_of(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

std::string utf8_of(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

}  // namespace

int platform_run_utf8(int argc, native_char** argv, int (*run)(int argc, char** argv)) {
    std::vector<std::string> elements;
    for (int i = 0; i < argc; ++i) elements.push_back(utf8_of(argv[i]));
    std::vector<char*> pointers;
    for (std::string& e : elements) pointers.push_back(e.data());
    pointers.push_back(nullptr);
    return run(argc, pointers.data());
}

std::basic_string<native_char> platform_path(const char* path) { return wide_of(path); }

std::FILE* platform_fopen(const char* path, const char* mode) {
    return _wfopen(wide_of(path).c_str(), wide_of(mode).c_str());
}

std::FILE* platform_tmpfile() {
    // In the user's temporary folder (the C library's tmpfile writes to the
    // root of the drive, which a user often cannot).
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        errno = ENOENT;
        return nullptr;
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = std::wstring(folder, length) + L"tavlin-" + std::to_wstring(GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(GetTickCount64() + attempt) + L".tmp";
        const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) continue;
        if (h == INVALID_HANDLE_VALUE) break;
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
        if (fd < 0) {
            CloseHandle(h);
            break;
        }
        std::FILE* file = _fdopen(fd, "w+b");
        if (file == nullptr) _close(fd);
        return file;
    }
    errno = EACCES;
    return nullptr;
}

bool platform_is_terminal(int fd) { return _isatty(fd) != 0; }
