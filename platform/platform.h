// The few things tavlin asks of the operating system, in one place: opening
// a file and telling what it is, its size and reads at an offset, writes to
// a descriptor that no C library buffer stands in front of, the zero-filled
// block the window lives in, and the codes a run reports; for the
// companions, their command lines, paths and temporary files. posix.cpp and
// windows.cpp are its two sides, and outputs_posix.cpp and
// outputs_windows.cpp those of the companions' outputs
// (tools/shared/output_file.h); nothing outside this folder includes a
// system header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The characters of a command-line element as the system gives them: bytes
// on POSIX, UTF-16 on Windows.
#if defined(_WIN32)
using native_char = wchar_t;
#else
using native_char = char;
#endif

// Standard output's descriptor. On Windows it is in text mode: each "\n"
// written to it reaches the reader as CR LF.
constexpr int kStandardOutput = 1;

// Opens `path` for reading in binary mode. Returns 0, or the C library's
// error number; a directory is refused (EISDIR on POSIX, where fopen takes
// one; EACCES on Windows, whose fopen refuses one itself).
int platform_open_read(const native_char* path, std::FILE** file);

// The descriptor of an open file.
int platform_descriptor(std::FILE* file);

// The size in bytes of the open file, its position left at the start; -1
// with `error` set when it has none: a pipe (ESPIPE), or a failed seek. On
// POSIX a device is as long as a seek to its end says (/dev/null 0); on
// Windows every character device (NUL, a serial port) is 0.
std::int64_t platform_file_size(std::FILE* file, int& error);

// Reads up to `length` bytes at `offset` from the descriptor of an open
// file: the count read (0 at the end), or -1 with `error` set. An
// interrupted read is retried.
std::int64_t platform_read_at(int fd, unsigned char* buffer, std::uint64_t length, std::uint64_t offset, int& error);

// Writes up to `length` bytes to the descriptor: the count written, or -1
// with `error` set. An interrupted write is retried.
std::int64_t platform_write(int fd, const char* data, std::size_t length, int& error);

// Makes the regular file open on the descriptor `size` bytes long, by a
// hole where it grows. Returns 0, the error of a failure, or -1 when the
// descriptor is no regular file (a pipe, a device), which the caller
// fills with written zeros instead.
int platform_extend_file(int fd, std::uint64_t size);

// A block of `bytes` (> 0) zero bytes starting on a page; nullptr with
// `error` set to the system's code when none can be had.
unsigned char* platform_zeroed_block(std::uint64_t bytes, int& error);
void platform_free_block(unsigned char* block, std::uint64_t bytes);

// The code a run reports for a file of zero bytes, which has nothing to
// allocate: what the system says of a zero-byte allocation (ENOMEM on POSIX,
// ERROR_INVALID_PARAMETER on Windows).
int platform_empty_block_error();

// The code of a read that delivered nothing where data should be (EIO).
int platform_read_error();

// Writes a command-line element to standard error as the reader expects
// it: its bytes on POSIX; on Windows, through the console's own call when
// standard error is a console, else in UTF-8.
void platform_note_element(const native_char* element);


// The companions' side. Their command lines and paths are UTF-8 strings:
// as given on POSIX, converted from the UTF-16 the system holds on Windows.

// Runs `run` on the command line in UTF-8.
int platform_run_utf8(int argc, native_char** argv, int (*run)(int argc, char** argv));

// A UTF-8 path in the system's own characters.
std::basic_string<native_char> platform_path(const char* path);

// std::fopen of a UTF-8 path; nullptr with errno set on a failure.
std::FILE* platform_fopen(const char* path, const char* mode);

// True when the descriptor is open on a terminal (a console on Windows).
bool platform_is_terminal(int fd);

// A file for reading and writing in binary mode, removed when it is closed
// or the process ends; nullptr with errno set when none can be made.
std::FILE* platform_tmpfile();
