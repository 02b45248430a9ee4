// The Windows side of the companions' outputs: planning, opening, committing
// and abandoning them, and Ctrl-C. An error here is an errno value when
// positive and a Windows error code, negated, when negative, so that every
// message gives the reason the system gave.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <vector>

#include "output/writer.h"
#include "platform/platform.h"
#include "tools/shared/output_file.h"

namespace {

// Temporary files not yet committed, removed by the console's control
// handler. The lock is held by whatever creates, renames or removes them,
// so that the handler, which runs on a thread of its own, removes none
// while a commit moves it, and the commit moves none after the handler ran.
constexpr int kMostTemporaries = 8;
wchar_t temporaries[kMostTemporaries][MAX_PATH * 4];
bool temporary_used[kMostTemporaries];
CRITICAL_SECTION lock;

// The lock, made on its first use: the outputs are used in-process too, by
// programs that never start a companion.
void take_lock() {
    static const bool made = (InitializeCriticalSection(&lock), true);
    (void)made;
    EnterCriticalSection(&lock);
}

BOOL WINAPI remove_temporaries(DWORD) {
    take_lock();  // kept: the process ends with the next handler
    for (int i = 0; i < kMostTemporaries; ++i)
        if (temporary_used[i]) DeleteFileW(temporaries[i]);
    return FALSE;
}

std::wstring wide(const std::string& text) { return platform_path(text.c_str()); }

std::string utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

int last_error() { return -static_cast<int>(GetLastError()); }

// The system's words for an error, without the line end Windows gives them.
std::string reason(int error) {
    if (error >= 0) return std::strerror(error);
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                   nullptr, static_cast<DWORD>(-error), 0, reinterpret_cast<wchar_t*>(&text), 0,
                                   nullptr);
    std::wstring words = n > 0 ? std::wstring(text, n) : L"";
    if (text != nullptr) LocalFree(text);
    while (!words.empty() && (words.back() == L' ' || words.back() == L'\r' || words.back() == L'\n'))
        words.pop_back();
    if (words.empty()) return "error " + std::to_string(-error);
    return utf8(words);
}

std::string failure_text(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " + reason(error);
}

void remember_temporary(const std::wstring& path) {
    for (int i = 0; i < kMostTemporaries; ++i) {
        if (temporary_used[i] || path.size() >= MAX_PATH * 4) continue;
        std::wmemcpy(temporaries[i], path.c_str(), path.size() + 1);
        temporary_used[i] = true;
        return;
    }
}

void forget_temporary(const std::wstring& path) {
    for (int i = 0; i < kMostTemporaries; ++i)
        if (temporary_used[i] && path == temporaries[i]) temporary_used[i] = false;
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

// The length in bytes of the longest start of the UTF-8 `text` that is at
// most `units` UTF-16 units and ends between two characters.
std::size_t utf16_prefix(const std::string& text, std::size_t units) {
    std::size_t used = 0, at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const std::size_t need = bytes == 4 ? 2 : 1;
        if (used + need > units) break;
        used += need;
        at = std::min(text.size(), at + bytes);
    }
    return at;
}

std::string directory_of(const std::string& path) {
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (is_separator(path[i]) || (i == 1 && path[i] == ':')) cut = i;
    if (cut == std::string::npos) return ".";
    return path.substr(0, cut + 1);  // with its separator: "C:\" and "\" stay roots
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// The identity of an open handle: a file on a disk has one.
void take_identity(output_file& out, HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;
    out.device = info.dwVolumeSerialNumber;
    out.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    out.regular = true;
}

// A file open for the C library's writes, from a handle: -1 when it fails.
int descriptor_of(HANDLE handle) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) CloseHandle(handle);
    return fd;
}

// An unnamed file in the temporary folder, gone when it is closed, that an
// output is written to before it is copied where it goes.
problem open_spool(output_file& out) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring directory = n > 0 && n <= MAX_PATH ? std::wstring(folder, n) : L".\\";
    int error = 0;
    for (unsigned attempt = 0; attempt < 100 && out.fd < 0; ++attempt) {
        const std::wstring name = directory + L"tavlin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount64() + attempt) + L".tmp";
        const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = last_error();
            if (GetLastError() != ERROR_FILE_EXISTS) break;
            continue;
        }
        out.fd = descriptor_of(h);
    }
    if (out.fd < 0) return failure(failure_text("cannot create a temporary file in", utf8(directory), error));
    out.spooled = true;
    return {};
}

// Writes all of the spool (from its start) to `to`. Returns 0, or the error.
int copy_spool(int from, int to) {
    char chunk[1 << 16];
    if (_lseeki64(from, 0, SEEK_SET) != 0) return errno;
    for (;;) {
        const int n = _read(from, chunk, sizeof chunk);
        if (n < 0) return errno;
        if (n == 0) return 0;
        for (int done = 0; done < n;) {
            const int w = _write(to, chunk + done, static_cast<unsigned>(n - done));
            if (w < 0) return errno;
            if (w == 0) return EIO;
            done += w;
        }
    }
}

// Copies a spooled output to where it goes. Returns 0, or the error.
int deliver_spool(output_file& out) {
    if (out.how == output_file::kind::descriptor) return copy_spool(out.fd, out.descriptor);
    // In place: the file is not cut before its new bytes are there.
    const HANDLE h = CreateFileW(wide(out.target).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    const int to = descriptor_of(h);
    if (to < 0) return errno;
    int error = copy_spool(out.fd, to);
    if (error == 0 && out.regular && SetEndOfFile(handle_of(to)) == 0) error = last_error();
    if (_close(to) != 0 && error == 0) error = errno;
    return error;
}

// The full path of `path`, for telling two new files apart.
std::wstring full_path(const std::string& path) {
    const std::wstring w = wide(path);
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetFullPathNameW(w.c_str(), MAX_PATH * 4, buffer, nullptr);
    if (n == 0 || n >= MAX_PATH * 4) return w;
    return std::wstring(buffer, n);
}

// A second name for the existing file `out` replaces, so that it can be put
// back; empty when none can be made.
std::wstring keep_old_file(const output_file& out) {
    std::wstring kept = wide(out.temporary);
    kept.back() = L'K';
    for (int attempt = 0; attempt < 16; ++attempt) {
        kept[kept.size() - 2] = static_cast<wchar_t>(L'a' + attempt);
        if (CreateHardLinkW(kept.c_str(), wide(out.target).c_str(), nullptr) != 0) {
            remember_temporary(kept);
            return kept;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return {};
}

}  // namespace

void start_companion(const char* tool) {
    set_tool_name(tool);
    // A standard stream that is missing is NUL, so that no output or warning
    // is lost on a file opened in its place.
    for (int fd = 0; fd <= 2; ++fd)
        if (_get_osfhandle(fd) == -1 || _get_osfhandle(fd) == -2) {
            const int opened = _wopen(L"NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
            if (opened >= 0 && opened != fd) {
                _dup2(opened, fd);
                _close(opened);
            }
        }
    // Input is read as bytes; standard output is put in binary mode where
    // binary data goes to it.
    _setmode(0, _O_BINARY);
    SetConsoleCtrlHandler(remove_temporaries, TRUE);
}

problem plan_output(const char* path, bool binary, output_file& out) {
    out = output_file{};
    out.path = path;
    out.target = path;
    if (std::strcmp(path, "-") == 0) {
        out.how = output_file::kind::descriptor;
        out.descriptor = 1;
        take_identity(out, handle_of(1));
        if (binary && _isatty(1))
            return refusal("refusing to write binary data to a terminal: redirect standard output, or name OUTPUT");
        if (binary) _setmode(1, _O_BINARY);
        return {};
    }
    const HANDLE h = CreateFileW(wide(out.target).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            out.how = output_file::kind::replace;  // a new file
            return {};
        }
        // A device that opens only to be written (CON) is written into.
        const HANDLE device = CreateFileW(wide(out.target).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const bool character = device != INVALID_HANDLE_VALUE && GetFileType(device) == FILE_TYPE_CHAR;
        if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
        if (!character) return failure(failure_text("cannot write", path, -static_cast<int>(error)));
        out.exists = true;
        out.how = output_file::kind::direct;
        return {};
    }
    out.exists = true;
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD type = GetFileType(h);
    const bool known = type == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) != 0;
    take_identity(out, h);
    CloseHandle(h);
    if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return failure(failure_text("cannot write", path, EISDIR));
    // A read-only file is refused as Windows refuses to open it for
    // writing, whoever runs the program.
    if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
        return failure(failure_text("cannot write", path, -ERROR_ACCESS_DENIED));
    if (!out.regular) {  // NUL, CON, a serial port, a named pipe
        out.how = output_file::kind::direct;
        return {};
    }
    // Replaced only when it could be written: the test is the same open,
    // which changes nothing.
    const HANDLE probe = CreateFileW(wide(out.target).c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return failure(failure_text("cannot write", path, last_error()));
    CloseHandle(probe);
    out.how = output_file::kind::replace;
    return {};
}

bool same_output(const output_file& a, const output_file& b) {
    using kind = output_file::kind;
    if (a.how == kind::descriptor && b.how == kind::descriptor) return true;  // one standard output
    if (a.regular && b.regular) return a.device == b.device && a.inode == b.inode;
    if (a.how == kind::descriptor || b.how == kind::descriptor || a.exists || b.exists) return false;
    // Two new files: the same when their full paths are, as Windows compares
    // names, without regard to case.
    const std::wstring x = full_path(a.target), y = full_path(b.target);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}

bool same_regular_file(const output_file& out, const char* input_path) {
    if (!out.regular) return false;
    output_file input;
    if (std::strcmp(input_path, "-") == 0) {
        take_identity(input, handle_of(0));
    } else {
        const HANDLE h = CreateFileW(wide(input_path).c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        take_identity(input, h);
        CloseHandle(h);
    }
    return input.regular && input.device == out.device && input.inode == out.inode;
}

problem open_output(output_file& out, bool spool) {
    if (out.how != output_file::kind::replace && (spool || out.spooled)) return open_spool(out);
    switch (out.how) {
        case output_file::kind::descriptor:
            out.fd = out.descriptor;
            return {};
        case output_file::kind::direct: {
            const HANDLE h = CreateFileW(wide(out.target).c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) return write_failure(out, last_error());
            out.fd = descriptor_of(h);
            if (out.fd < 0) return write_failure(out, errno);
            return {};
        }
        case output_file::kind::replace:
            break;
    }
    // ".NAME.XXXXXX" beside the target, NAME cut to fit a name's 255 UTF-16
    // units.
    const std::string directory = directory_of(out.target);
    const std::string name = out.target.substr(directory == "." ? 0 : directory.size());
    const std::string prefix =
        (directory == "." ? std::string() : directory) + "." + name.substr(0, utf16_prefix(name, 255 - 8)) + ".";
    int error = 0;
    take_lock();
    for (unsigned attempt = 0; attempt < 100 && out.fd < 0; ++attempt) {
        char letters[8];
        unsigned long long seed = GetTickCount64() * 2654435761u + GetCurrentProcessId() + attempt * 40503u;
        for (int i = 0; i < 6; ++i, seed /= 36) letters[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[seed % 36];
        letters[6] = '\0';
        out.temporary = prefix + letters;
        const std::wstring temporary = wide(out.temporary);
        // Shared for deletion: the console's handler removes it while it is
        // open.
        const HANDLE h = CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = last_error();
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            break;
        }
        out.fd = descriptor_of(h);
        if (out.fd >= 0) remember_temporary(temporary);
        else DeleteFileW(temporary.c_str());
    }
    LeaveCriticalSection(&lock);
    if (out.fd < 0) {
        out.temporary.clear();
        const std::string shown = directory == "." ? "." : directory.substr(0, directory.size() - 1);
        // A file that can be written where no file can be created beside it
        // is written in place.
        if (out.exists) {
            warn(tool_name(), failure_text("cannot create a temporary file in", shown.empty() ? directory : shown,
                                           error) +
                                  "; writing " + out.path + " in place");
            out.how = output_file::kind::direct;
            return open_spool(out);
        }
        return failure(failure_text("cannot create a temporary file in", shown.empty() ? directory : shown, error));
    }
    return {};
}

problem commit_outputs(std::span<output_file* const> outputs) {
    const auto give_up = [&](const output_file& failed, int error) {
        for (output_file* out : outputs) abandon_output(*out);
        return write_failure(failed, error);
    };
    for (output_file* out : outputs) {
        if (out->spooled || out->how == output_file::kind::descriptor) continue;
        int error = 0;
        if (out->how == output_file::kind::replace && FlushFileBuffers(handle_of(out->fd)) == 0)
            error = last_error();
        if (_close(out->fd) != 0 && error == 0) error = errno;
        out->fd = -1;
        if (error != 0) return give_up(*out, error);
    }
    take_lock();
    std::vector<std::wstring> kept(outputs.size());
    std::string unrestored;
    const auto undo = [&](std::size_t before) {
        for (std::size_t j = 0; j < before; ++j) {
            output_file& done = *outputs[j];
            if (done.how != output_file::kind::replace) continue;
            if (!kept[j].empty()) {
                if (MoveFileExW(kept[j].c_str(), wide(done.target).c_str(), MOVEFILE_REPLACE_EXISTING) == 0) {
                    unrestored += "; cannot put back " + done.target + ": its old content is kept as " + utf8(kept[j]);
                    forget_temporary(kept[j]);
                }
                kept[j].clear();
            } else if (!done.exists) {
                DeleteFileW(wide(done.target).c_str());
            }
            forget_temporary(wide(done.temporary));
            done.temporary.clear();
        }
    };
    const auto finish = [&](problem p) {
        for (std::wstring& k : kept)
            if (!k.empty()) {
                DeleteFileW(k.c_str());
                forget_temporary(k);
            }
        if (p.failed()) {
            for (output_file* out : outputs) abandon_output(*out);
            p.message += unrestored;
        }
        LeaveCriticalSection(&lock);
        return p;
    };
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        output_file& out = *outputs[i];
        if (out.how != output_file::kind::replace) continue;
        if (out.exists && i + 1 < outputs.size()) kept[i] = keep_old_file(out);
        if (MoveFileExW(wide(out.temporary).c_str(), wide(out.target).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
            continue;
        const int error = last_error();
        undo(i);
        return finish(write_failure(out, error));
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        output_file& out = *outputs[i];
        if (!out.spooled) continue;
        if (const int error = deliver_spool(out)) {
            undo(outputs.size());
            return finish(write_failure(out, error));
        }
    }
    for (output_file* out : outputs) {
        if (out->spooled) {
            _close(out->fd);
            out->fd = -1;
            out->spooled = false;
        }
        forget_temporary(wide(out->temporary));
        out->temporary.clear();
    }
    return finish({});
}

void abandon_output(output_file& out) {
    if (out.fd >= 0 && (out.spooled || out.how != output_file::kind::descriptor)) _close(out.fd);
    out.fd = -1;
    out.spooled = false;
    if (out.temporary.empty()) return;
    take_lock();
    DeleteFileW(wide(out.temporary).c_str());
    forget_temporary(wide(out.temporary));
    LeaveCriticalSection(&lock);
    out.temporary.clear();
}

problem write_failure(const output_file& out, int error) {
    return failure(failure_text("cannot write", out.path, error));
}
