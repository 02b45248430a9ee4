#include "tests/harness.h"

#include <gtest/gtest.h>

// Making scratch directories and captures, and running programs, are the
// system's; the Windows side is harness_windows.cpp.
#if !defined(_WIN32)
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/writer.h"
#include "tools/shared/description.h"

std::string repeated(std::string_view text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

namespace {

// The line of `text` around byte `at`, its line end included, as C would
// write it in a string, cut to a window around `at` when it is long.
std::string shown_line(std::string_view text, std::size_t at) {
    const std::size_t start = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;
    const std::size_t newline = text.find('\n', at);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
    std::size_t from = start, to = end;
    if (at - from > 60) from = at - 40;
    if (to - at > 60) to = at + 40;
    std::string shown = from > start ? "..." : "";
    for (std::size_t i = from; i < to; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        char escaped[8];
        if (c == '\n') shown += "\\n";
        else if (c == '\r') shown += "\\r";
        else if (c == '\t') shown += "\\t";
        else if (c == '\\') shown += "\\\\";
        else if (c < 0x20 || c >= 0x7F) shown += (std::snprintf(escaped, sizeof escaped, "\\x%02X", c), escaped);
        else shown += static_cast<char>(c);
    }
    if (to < end) shown += "...";
    if (at >= text.size()) shown += "<end>";
    return shown;
}

}  // namespace

::testing::AssertionResult same_text(const char* got_expression, const char* expected_expression,
                                     std::string_view got, std::string_view expected) {
    if (got == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(got.begin(), got.begin() + at, '\n'));
    return ::testing::AssertionFailure()
           << got_expression << " (" << got.size() << " bytes) differs from " << expected_expression << " ("
           << expected.size() << " bytes) first at byte " << at << ", line " << line << ":\n  got:      "
           << shown_line(got, at) << "\n  expected: " << shown_line(expected, at);
}

#if !defined(_WIN32)
scratch_dir::scratch_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavlin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
}
#endif

scratch_dir::~scratch_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string scratch_dir::path_of(std::string_view name) const { return path + "/" + std::string(name); }

#if !defined(_WIN32)
std::string capture_bytes(std::string_view text) {
    description d;
    std::string error;
    EXPECT_TRUE(read_description(text, d, error)) << error;
    std::FILE* file = std::tmpfile();
    static out_writer out;
    out_init(out, fileno(file));
    capture_writer capture = start_capture(out, d.size);
    write_description(text, d, capture);
    EXPECT_EQ(finish_capture(capture), 0);
    std::string bytes;
    char chunk[1 << 16];
    ssize_t n;
    for (off_t at = 0; (n = pread(fileno(file), chunk, sizeof chunk, at)) > 0; at += n)
        bytes.append(chunk, static_cast<std::size_t>(n));
    std::fclose(file);
    return bytes;
}

#endif

void scratch_dir::write_capture(std::string_view name, std::string_view description) const {
    write_bytes(name, capture_bytes(description));
}

void scratch_dir::write_bytes(std::string_view name, std::string_view bytes) const {
    // The name is UTF-8, whatever the system's own code page.
    const std::string whole = path_of(name);
    std::ofstream out(std::filesystem::path(std::u8string(whole.begin(), whole.end())), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

run_setup output_to(std::string path) {
    run_setup setup;
    setup.stdout_path = std::move(path);
    return setup;
}

run_setup input_of(std::string text) {
    run_setup setup;
    setup.stdin_text = std::move(text);
    return setup;
}

run_setup without_output() {
    run_setup setup;
    setup.stdout_closed = true;
    return setup;
}

run_setup cutting(std::string path, unsigned long long size) {
    run_setup setup;
    setup.cut_path = std::move(path);
    setup.cut_size = size;
    return setup;
}

#if !defined(_WIN32)
namespace {

// A copy of `program` that user nobody can run, in a directory of its own
// that others may enter: the build tree may lie where nobody cannot (under a
// directory of mode 0700). Made once per program; removed at exit.
const std::string& reachable_copy(const std::string& program) {
    static std::vector<std::pair<std::string, std::string>> copies;
    for (const auto& [original, copy] : copies)
        if (original == program) return copy;
    std::string directory = (std::filesystem::temp_directory_path() / "tavlin-nobody-XXXXXX").string();
    if (mkdtemp(directory.data()) == nullptr || chmod(directory.c_str(), 0755) != 0) std::abort();
    const std::string copy = directory + "/" + program.substr(program.rfind('/') + 1);
    std::filesystem::copy_file(program, copy);
    if (chmod(copy.c_str(), 0755) != 0) std::abort();
    static const int cleanup = std::atexit([] {
        for (const auto& entry : copies) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.second.substr(0, entry.second.rfind('/')), ignored);
        }
    });
    (void)cleanup;
    copies.emplace_back(program, copy);
    return copies.back().second;
}

// The tests write a program's standard input while it runs, and a program
// may end before reading all of it: the write then fails with EPIPE instead
// of ending the test process. Each program starts with SIGPIPE as it would
// from a shell.
const bool kPipeSignalIgnored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;

run_result run_program(const std::string& program, bool wrapped, const scratch_dir& dir,
                       const std::vector<std::string>& args, const run_setup& setup) {
    if (!kPipeSignalIgnored) std::abort();
    const std::string out_path = setup.stdout_path.empty() ? dir.path_of(".stdout") : setup.stdout_path;
    const std::string err_path = dir.path_of(".stderr");
    int feed[2], caught[2] = {-1, -1};
    if (pipe(feed) != 0) std::abort();
    const bool cut = !setup.cut_path.empty();
    if (cut && (pipe(caught) != 0 || fcntl(caught[0], F_SETPIPE_SZ, 4096) < 0)) std::abort();
    int terminal = -1;
    std::string terminal_name;
    if (setup.terminal_output) {
        terminal = posix_openpt(O_RDWR | O_NOCTTY);
        if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) std::abort();
        terminal_name = ptsname(terminal);
    }

    std::vector<std::string> words;
    if (const char* wrapper = std::getenv("TAVLIN_WRAPPER"); wrapper != nullptr && wrapped) {
        std::istringstream split(wrapper);
        for (std::string word; split >> word;) words.push_back(word);
    }
    words.push_back(setup.as_nobody && geteuid() == 0 ? reachable_copy(program) : program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // The scratch directory opens to others for a program run as nobody.
    if (setup.as_nobody && chmod(dir.path.c_str(), 0755) != 0) std::abort();
    pid_t child = fork();
    if (child == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        if (chdir(dir.path.c_str()) != 0) _exit(127);
        int out = terminal_name.empty()
                      ? open(out_path.c_str(), O_WRONLY | O_CREAT | (setup.stdout_append ? O_APPEND : O_TRUNC), 0644)
                      : open(terminal_name.c_str(), O_WRONLY | O_NOCTTY);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = setup.stdin_path.empty() ? feed[0] : open(setup.stdin_path.c_str(), O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(127);
        dup2(in, 0);
        dup2(cut ? caught[1] : out, 1);
        dup2(setup.merge_stderr ? 1 : err, 2);
        if (!setup.path_first.empty())
            setenv("PATH", (setup.path_first + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "")).c_str(), 1);
        close(feed[1]);
        if (cut) close(caught[0]);
        if (setup.stdout_closed) close(1);
        if (setup.stderr_closed) close(2);
        if (setup.terminate_when) {
            const rlimit no_core{0, 0};  // a signal that dumps core leaves no core file in the directory
            setrlimit(RLIMIT_CORE, &no_core);
            std::signal(setup.terminate_signal, SIG_DFL);
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, setup.terminate_signal);
            sigprocmask(SIG_UNBLOCK, &set, nullptr);
        }
        if (setup.file_limit != 0) {
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{setup.file_limit, setup.file_limit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (setup.as_nobody && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(feed[0]);
    // What the program leaves unread is dropped.
    for (std::size_t at = 0; at < setup.stdin_text.size();) {
        const ssize_t n = write(feed[1], setup.stdin_text.data() + at, setup.stdin_text.size() - at);
        if (n <= 0) break;
        at += static_cast<std::size_t>(n);
    }
    close(feed[1]);
    run_result result;
    if (cut) {
        close(caught[1]);
        char chunk[4096];
        ssize_t n = read(caught[0], chunk, 1);
        if (n > 0) result.out.append(chunk, 1);
        if (truncate(setup.cut_path.c_str(), static_cast<off_t>(setup.cut_size)) != 0) std::abort();
        while ((n = read(caught[0], chunk, sizeof chunk)) > 0) result.out.append(chunk, static_cast<std::size_t>(n));
        close(caught[0]);
    }
    if (!setup.fifo_name.empty()) {
        // Opened without blocking, so that a program that never opens it
        // does not hang the test: the open fails until a reader has it.
        int fifo = -1;
        for (int tries = 0; tries < 2000 && fifo < 0; ++tries)
            if ((fifo = open(dir.path_of(setup.fifo_name).c_str(), O_WRONLY | O_NONBLOCK)) < 0) usleep(5000);
        if (fifo >= 0) {
            if (setup.on_fifo_open) setup.on_fifo_open(dir.path);
            fcntl(fifo, F_SETFL, 0);
            for (std::size_t at = 0; at < setup.fifo_text.size();) {
                const ssize_t n = write(fifo, setup.fifo_text.data() + at, setup.fifo_text.size() - at);
                if (n <= 0) break;
                at += static_cast<std::size_t>(n);
            }
            close(fifo);
        }
    }
    if (setup.terminate_when) {
        for (int tries = 0; tries < 2000 && !setup.terminate_when(); ++tries) usleep(5000);
        kill(child, setup.terminate_signal);
    }
    int wait_status = 0;
    rusage usage{};
    wait4(child, &wait_status, 0, &usage);
    if (terminal >= 0) close(terminal);

    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    result.peak_kib = usage.ru_maxrss;
    if (setup.stdout_path.empty() && !cut && terminal_name.empty()) result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

}  // namespace

run_result run_tavlin(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(TAVLIN_BINARY, true, dir, args, setup);
}

run_result run_mkcapture(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(MKCAPTURE_BINARY, false, dir, args, setup);
}

run_result run_export(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(EXPORT_BINARY, false, dir, args, setup);
}

run_result run_shell(const scratch_dir& dir, const std::string& command, const run_setup& setup) {
    return run_program("bash", false, dir, {"-c", command}, setup);
}

run_result run_view(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(VIEW_BINARY, false, dir, args, setup);
}

std::string directory_listing(const std::string& path) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        const std::string name = entry.path().filename().string();
        if (name == ".stdout" || name == ".stderr") continue;
        struct stat st;
        if (lstat(entry.path().c_str(), &st) != 0) continue;
        std::string line = name + " " + std::to_string(st.st_mode & 07777) + " ";
        if (S_ISLNK(st.st_mode)) {
            line += "link to " + std::filesystem::read_symlink(entry.path()).string();
        } else if (S_ISFIFO(st.st_mode)) {
            line += "fifo";
        } else if (S_ISREG(st.st_mode)) {
            std::ifstream in(entry.path(), std::ios::binary);
            char start[64];
            in.read(start, sizeof start);
            line += "file of " + std::to_string(st.st_size) + " bytes:";
            for (char c : std::string_view(start, static_cast<std::size_t>(in.gcount()))) {
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

#endif

void check_golden(const golden_case& c) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    if (c.capture) dir.write_capture("cap.dat", *c.capture);
    run_result r = run_tavlin(dir, c.args);
    EXPECT_PRED_FORMAT2(same_text, r.out, c.out);
    EXPECT_PRED_FORMAT2(same_text, r.err, c.err);
    EXPECT_EQ(r.status, c.status);
}

std::string file_note(unsigned long long size) { return "Input File cap.dat :" + std::to_string(size) + " \n"; }

TEST_P(Golden, MatchesWholeOutput) { check_golden(GetParam()); }

std::string notes(int argc, unsigned records) {
    return (argc > 2 ? "argc=" + std::to_string(argc) + "\n" : std::string()) + file_note(1024 + 2048ull * records);
}
