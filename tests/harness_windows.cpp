// The Windows side of the harness: scratch directories, captures made
// through the capture writer, and the programs run as child processes with
// their standard streams in files or pipes.
//
// The programs write text in text mode, so every "\n" they write reaches
// the file as CR LF. A run's outputs are turned back into the lines the
// expected outputs hold only when they are wholly of that form: a bare LF
// or a CR of its own fails the test, so that the comparisons stay exact.
// Binary data (a capture on mkcapture's standard output, told by its NUL
// bytes, which no text output holds) must come through untouched.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <algorithm>
#include <vector>

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

namespace {

run_result run_program(const char* program, const scratch_dir& dir, const std::vector<std::string>& args,
                       const run_setup& setup) {
    // What this side can set up: the output's place, a closed output, input
    // from a text or a file, a file cut while the program writes into a
    // full pipe, and an interrupted run. An interrupted program reads
    // `stdin_text` from a pipe that stays open, in a console of its own,
    // and gets Ctrl-C there, whatever `terminate_signal` is; every other
    // program runs without a console.
    if (setup.stdout_append || setup.as_nobody ||
        setup.terminal_output || setup.file_limit != 0 || !setup.path_first.empty() || setup.merge_stderr ||
        setup.stderr_closed || !setup.fifo_name.empty())
        ADD_FAILURE() << "a run setup that the Windows harness does not make";
    // Paths of the setup are the program's: relative to its folder.
    const auto in_dir = [&](const std::string& path) {
        return std::filesystem::path(wide(path)).is_relative() ? dir.path_of(path) : path;
    };
    const std::string out_path = setup.stdout_path.empty() ? dir.path_of(".stdout") : in_dir(setup.stdout_path);
    const std::string err_path = dir.path_of(".stderr");
    std::wstring command = quoted(wide(program));
    for (const std::string& a : args) command += L" " + quoted(wide(a));

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const bool cut = !setup.cut_path.empty();
    HANDLE caught_read = nullptr, caught_write = nullptr;
    if (cut && CreatePipe(&caught_read, &caught_write, &inherit, 4096) == 0) std::abort();
    if (cut) SetHandleInformation(caught_read, HANDLE_FLAG_INHERIT, 0);
    HANDLE out = cut ? caught_write : inheritable_file(out_path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritable_file(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    std::string in_path = setup.stdin_path.empty() ? "NUL" : in_dir(setup.stdin_path);
    const bool interrupted = static_cast<bool>(setup.terminate_when);
    std::vector<HANDLE> own_handles;
    HANDLE feed_read = nullptr, feed_write = nullptr;
    if (interrupted) {
        if (CreatePipe(&feed_read, &feed_write, &inherit, 0) == 0) std::abort();
        SetHandleInformation(feed_write, HANDLE_FLAG_INHERIT, 0);
        DWORD n = 0;
        if (WriteFile(feed_write, setup.stdin_text.data(), static_cast<DWORD>(setup.stdin_text.size()), &n,
                      nullptr) == 0)
            std::abort();
    } else if (!setup.stdin_text.empty()) {
        dir.write_bytes(".stdin", setup.stdin_text);
        in_path = dir.path_of(".stdin");
    }
    HANDLE in = interrupted ? feed_read : inheritable_file(in_path, GENERIC_READ, OPEN_EXISTING);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) std::abort();

    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in;
    start.hStdOutput = setup.stdout_closed ? INVALID_HANDLE_VALUE : out;
    start.hStdError = err;
    PROCESS_INFORMATION child{};
    const std::wstring directory = wide(dir.path);
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, interrupted ? CREATE_NEW_CONSOLE : DETACHED_PROCESS,
                       nullptr, directory.c_str(), &start, &child) == 0)
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
    if (interrupted) {
        for (int tries = 0; tries < 2000 && !setup.terminate_when(); ++tries) Sleep(5);
        // Ctrl-C on the program's console, as typed there, the tests
        // attached to it for the moment and ignoring it themselves; their
        // standard handles are put back afterwards.
        for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
            own_handles.push_back(GetStdHandle(which));
        FreeConsole();
        const bool sent = AttachConsole(child.dwProcessId) != 0 && SetConsoleCtrlHandler(nullptr, TRUE) != 0 &&
                          GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
        if (!sent) {
            ADD_FAILURE() << "no Ctrl-C for the program: error " << GetLastError();
            TerminateProcess(child.hProcess, 1);
        }
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    if (interrupted) {
        FreeConsole();
        SetConsoleCtrlHandler(nullptr, FALSE);
        const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
        for (std::size_t i = 0; i < own_handles.size(); ++i) SetStdHandle(which[i], own_handles[i]);
        CloseHandle(feed_write);
    }
    DWORD status = 0;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    result.status = static_cast<int>(status);
    if (setup.stdout_path.empty() && !cut) result.out = read_file(out_path);
    if (result.out.find('\0') == std::string::npos) result.out = lines_of_text_mode(result.out, "standard output");
    result.err = lines_of_text_mode(read_file(err_path), "standard error");
    if (!setup.stdin_text.empty() && !interrupted) std::filesystem::remove(dir.path_of(".stdin"));
    return result;
}

}  // namespace

run_result run_tavlin(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(TAVLIN_BINARY, dir, args, setup);
}

run_result run_mkcapture(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(MKCAPTURE_BINARY, dir, args, setup);
}

run_result run_export(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(EXPORT_BINARY, dir, args, setup);
}

run_result run_view(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(VIEW_BINARY, dir, args, setup);
}

namespace {

// The Unix path of a Windows one, as Wine maps it; empty outside Wine.
std::string unix_path(const std::string& path) {
    using to_unix = char* (*)(const wchar_t*);
    const auto convert = reinterpret_cast<to_unix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) return {};
    char* converted = convert(wide(path).c_str());
    if (converted == nullptr) return {};
    std::string result = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

// A word for bash, in single quotes.
std::string shell_word(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

// The host's bash, which Wine starts as a Unix process: Wine hands it
// neither standard error nor a process to wait on, so the script it runs
// does its own redirections and leaves its status in .status when it is
// done, which is polled for. Each program NAME.exe of `path_first` is a
// command NAME of the shell that runs it under the emulator.
run_result run_shell(const scratch_dir& dir, const std::string& command, const run_setup& setup) {
    run_result result;
    if (setup.stdout_append || setup.as_nobody || setup.terminal_output || setup.file_limit != 0 ||
        setup.stderr_closed || setup.stdout_closed || setup.terminate_when || !setup.fifo_name.empty() ||
        !setup.cut_path.empty() || !setup.stdout_path.empty() || !setup.stdin_path.empty()) {
        ADD_FAILURE() << "a shell setup that the Windows harness does not make";
        return result;
    }
    if (unix_path(dir.path).empty()) {
        ADD_FAILURE() << "bash runs only where Wine maps the paths to Unix ones";
        return result;
    }
    std::string script;
    if (!setup.path_first.empty())
        for (const auto& entry : std::filesystem::directory_iterator(setup.path_first)) {
            const std::filesystem::path file = entry.path();
            if (file.extension() != ".exe") continue;
            script += file.stem().string() + "() { " + shell_word(TAVLIN_EMULATOR) + " " +
                      shell_word(unix_path(file.generic_string())) + " \"$@\"; }\n";
        }
    if (!setup.stdin_text.empty()) dir.write_bytes(".stdin", setup.stdin_text);
    script += "(\n" + command + "\n) >.stdout " + (setup.merge_stderr ? "2>&1" : "2>.stderr") + " <" +
              (setup.stdin_text.empty() ? "/dev/null" : ".stdin") + "\necho $? >.status.new && mv .status.new .status\n";
    dir.write_bytes(".command", script);
    std::wstring line = L"/bin/bash .command";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, wide(dir.path).c_str(), &start,
                       &child) == 0) {
        ADD_FAILURE() << "bash does not start: error " << GetLastError();
        return result;
    }
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    const std::wstring status = wide(dir.path_of(".status"));
    while (GetFileAttributesW(status.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);
    result.status = std::stoi(read_file(dir.path_of(".status")));
    result.out = read_file(dir.path_of(".stdout"));
    if (!setup.merge_stderr) result.err = read_file(dir.path_of(".stderr"));
    for (const char* name : {".status", ".command", ".stdin", ".stdout", ".stderr"})
        std::filesystem::remove(dir.path_of(name));
    return result;
}

std::string directory_listing(const std::string& path) {
    // Windows keeps no permission bits: a file is listed with those a file
    // made under the usual mask of 022 has, 0644, or 0444 when read-only.
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        const std::u8string u8 = entry.path().filename().u8string();
        const std::string name(u8.begin(), u8.end());  // UTF-8, whatever the code page
        if (name == ".stdout" || name == ".stderr") continue;
        const bool writable = (entry.status().permissions() & std::filesystem::perms::owner_write) !=
                              std::filesystem::perms::none;
        std::string line = name + " " + std::to_string(entry.is_directory() ? 0755 : writable ? 0644 : 0444) + " ";
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            line += "file of " + std::to_string(bytes.size()) + " bytes:";
            for (char c : std::string_view(bytes).substr(0, 64)) {
                char shown[8];
                std::snprintf(shown, sizeof shown, c >= 0x21 && c < 0x7F ? "%c" : " %02X", c & 0xFF);
                line += shown;
            }
        } else {
            line += "other";
        }
        entries.push_back(line);
    }
    std::sort(entries.begin(), entries.end());
    std::string listing;
    for (const std::string& e : entries) listing += e + "\n";
    return listing;
}
