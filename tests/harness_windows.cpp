// The Windows side of the harness: scratch directories, captures made
// through the capture writer, and tavlin run as a child process with its
// standard streams in files or pipes.
//
// tavlin writes its streams in text mode, so every "\n" it writes reaches
// the file as CR LF. A run's outputs are turned back into the lines the
// expected outputs hold only when they are wholly of that form: a bare LF
// or a CR of its own fails the test, so that the comparisons stay exact.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "capture/writer.h"
#include "tests/harness.h"
#include "tools/shared/description.h"

scratch_dir::scratch_dir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int tries = 0; tries < 100; ++tries) {
        char name[40];
        std::snprintf(name, sizeof name, "tavlin-test-%016llx", static_cast<unsigned long long>(random()));
        const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path = candidate.generic_string();
            return;
        }
    }
    std::abort();
}

std::string capture_bytes(std::string_view text) {
    description d;
    std::string error;
    EXPECT_TRUE(read_description(text, d, error)) << error;
    scratch_dir dir;
    std::FILE* file = std::fopen(dir.path_of("capture").c_str(), "w+b");
    if (file == nullptr) std::abort();
    static out_writer out;
    out_init(out, _fileno(file));
    capture_writer capture = start_capture(out, d.size);
    write_description(text, d, capture);
    EXPECT_EQ(finish_capture(capture), 0);
    std::fclose(file);
    return read_file(dir.path_of("capture"));
}

namespace {

// The lines of a text-mode stream: CR LF read as "\n".
std::string lines_of_text_mode(const std::string& text, const char* stream) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if ((text[i] == '\r' && !crlf) || text[i] == '\n') {
            ADD_FAILURE() << stream << " has a line end other than CR LF at byte " << i;
            return text;
        }
        lines += crlf ? '\n' : text[i];
        i += crlf;
    }
    return lines;
}

std::wstring wide(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

// One element of a command line as the C library's startup splits it:
// quoted, backslashes before a quote doubled, a quote escaped.
std::wstring quoted(const std::wstring& element) {
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : element) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        q.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        q += c;
    }
    q.append(2 * backslashes, L'\\');
    return q + L"\"";
}

HANDLE inheritable_file(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

run_result run_tavlin(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    // What this side can set up: the output's place, a closed output, and a
    // file cut while tavlin writes into a full pipe.
    if (!setup.stdin_text.empty() || !setup.stdin_path.empty() || setup.stdout_append || setup.as_nobody ||
        setup.terminal_output || setup.file_limit != 0 || !setup.path_first.empty() || setup.merge_stderr ||
        setup.stderr_closed || setup.terminate_when || !setup.fifo_name.empty())
        ADD_FAILURE() << "a run setup that the Windows harness does not make";
    const std::string out_path = setup.stdout_path.empty() ? dir.path_of(".stdout") : setup.stdout_path;
    const std::string err_path = dir.path_of(".stderr");
    std::wstring command = quoted(wide(TAVLIN_BINARY));
    for (const std::string& a : args) command += L" " + quoted(wide(a));

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const bool cut = !setup.cut_path.empty();
    HANDLE caught_read = nullptr, caught_write = nullptr;
    if (cut && CreatePipe(&caught_read, &caught_write, &inherit, 4096) == 0) std::abort();
    if (cut) SetHandleInformation(caught_read, HANDLE_FLAG_INHERIT, 0);
    HANDLE out = cut ? caught_write : inheritable_file(out_path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritable_file(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = inheritable_file("NUL", GENERIC_READ, OPEN_EXISTING);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) std::abort();

    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in;
    start.hStdOutput = setup.stdout_closed ? INVALID_HANDLE_VALUE : out;
    start.hStdError = err;
    PROCESS_INFORMATION child{};
    const std::wstring directory = wide(dir.path);
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(), &start,
                       &child) == 0)
        std::abort();
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);

    run_result result;
    if (cut) {
        // The first byte says the capture is loaded; the file is cut while
        // tavlin waits on the full pipe, before its window moves.
        char chunk[4096];
        DWORD n = 0;
        if (ReadFile(caught_read, chunk, 1, &n, nullptr) != 0 && n > 0) result.out.append(chunk, n);
        std::filesystem::resize_file(setup.cut_path, setup.cut_size);
        while (ReadFile(caught_read, chunk, sizeof chunk, &n, nullptr) != 0 && n > 0) result.out.append(chunk, n);
        CloseHandle(caught_read);
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    result.status = static_cast<int>(status);
    if (setup.stdout_path.empty() && !cut) result.out = read_file(out_path);
    result.out = lines_of_text_mode(result.out, "standard output");
    result.err = lines_of_text_mode(read_file(err_path), "standard error");
    return result;
}
