// Running the built tavlin on captures described in text, and catching its
// whole standard output, standard error and exit status.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/writer.h"

// Whether a run's peak memory measures the program: not under the address
// sanitizer, whose shadow memory and quarantine of freed blocks grow with
// every allocation.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakMemoryMeasured = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPeakMemoryMeasured = false;
#else
constexpr bool kPeakMemoryMeasured = true;
#endif
#else
constexpr bool kPeakMemoryMeasured = true;
#endif

struct run_result {
    std::string out;
    std::string err;
    int status = -1;
    long peak_kib = 0;  // the largest resident memory of the run
};

// The bytes of the capture that `description` (mkcapture's language) makes;
// fails the test on a malformed description.
std::string capture_bytes(std::string_view description);

// A fresh temporary directory, removed with everything in it at the end.
struct scratch_dir {
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    std::string path_of(std::string_view name) const;
    // Writes the capture described by `description` (mkcapture's language).
    void write_capture(std::string_view name, std::string_view description) const;
    void write_bytes(std::string_view name, std::string_view bytes) const;

    std::string path;
};

// Everything written through the writer, read back from a temporary file.
template <class Write>
std::string written(Write write) {
    std::FILE* file = std::tmpfile();
    static out_writer out;
    out_init(out, fileno(file));
    write(out);
    EXPECT_TRUE(out_flush(out));
    std::rewind(file);
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    std::fclose(file);
    return text;
}

// `text` written `times` times over.
std::string repeated(std::string_view text, int times);

// For EXPECT_PRED_FORMAT2(same_text, got, expected): two whole outputs,
// byte for byte. On a difference it names the first line that differs and
// shows that line of each with its line end and other control bytes visible.
::testing::AssertionResult same_text(const char* got_expression, const char* expected_expression,
                                     std::string_view got, std::string_view expected);

// The whole contents of a file.
std::string read_file(const std::string& path);

struct run_setup {
    std::string stdout_path;     // empty: caught in run_result::out
    std::string stdin_text;      // fed to standard input through a pipe
    bool stdout_closed = false;  // start tavlin with no standard output at all
    // When set: standard output is a small pipe, and once the first output
    // has come through it (so the capture has been loaded) and before it is
    // read further, the file `cut_path` is cut to `cut_size` bytes.
    std::string cut_path;
    unsigned long long cut_size = 0;
    std::string stdin_path;      // standard input from this file instead
    bool stdout_append = false;  // stdout_path is opened to append, not emptied
    // Run as user nobody when the tests run as root: for a read-only file
    // that root could write anyway, and for every run that writes to a real
    // device, so that a faulty build cannot replace anything in /dev.
    bool as_nobody = false;             // run as user nobody when the tests run as root
    bool terminal_output = false;       // standard output is a terminal
    // RLIMIT_FSIZE in bytes, when not 0. SIGXFSZ keeps its default action,
    // as after `ulimit -f` in a shell: a program that does not ignore it
    // dies of it.
    unsigned long long file_limit = 0;
    std::string path_first;             // a directory put before $PATH
    bool merge_stderr = false;          // standard error goes where standard output goes
    bool stderr_closed = false;         // start the program with no standard error at all
    // Polled while the program runs; once true, the program gets
    // `terminate_signal` (its action the default one, whatever the tests'
    // own is).
    std::function<bool()> terminate_when;
    int terminate_signal = SIGTERM;
    // When set: this FIFO of the run's directory is written with
    // `fifo_text` once the program has opened it to read, after
    // `on_fifo_open(directory)` has run (a program reads its input after
    // planning its outputs: this changes the directory in between).
    std::string fifo_name;
    std::string fifo_text;
    std::function<void(const std::string&)> on_fifo_open;
};

// Setups of one kind each.
run_setup output_to(std::string path);
run_setup input_of(std::string text);
run_setup without_output();
run_setup cutting(std::string path, unsigned long long size);

// Runs tavlin with `args` (the program name excluded) inside `dir`. When the
// environment variable TAVLIN_WRAPPER is set (say, to a valgrind command
// line), its blank-separated words come before tavlin's path.
run_result run_tavlin(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup = {});

// Runs mkcapture with `args` inside `dir`.
run_result run_mkcapture(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup = {});

// Runs tavlin-export with `args` inside `dir`.
run_result run_export(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup = {});

// Runs `command` with bash inside `dir`.
run_result run_shell(const scratch_dir& dir, const std::string& command, const run_setup& setup = {});

// Runs tavlin-view with `args` inside `dir`.
run_result run_view(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup = {});

// Every entry of a directory (dot files included, the harness's own
// .stdout and .stderr left out) with its kind, permission bits and contents
// or link target, one per line, sorted: to check that a run changed nothing
// it should not have.
std::string directory_listing(const std::string& path);

// One golden case: a capture saved as cap.dat, a command line, and the
// whole expected outputs.
struct golden_case {
    const char* name;
    std::optional<std::string> capture;  // no file at all when empty
    std::vector<std::string> args;
    std::string out;
    std::string err;
    int status;
};

inline void PrintTo(const golden_case& c, std::ostream* os) { *os << c.name; }

// The one parameterized golden test; each test file instantiates it with its
// table of cases: INSTANTIATE_TEST_SUITE_P(Table, Golden, Values(...), golden_name).
class Golden : public ::testing::TestWithParam<golden_case> {};

// Readable test names for parameterized tests of cases with a `name`: its
// letters and digits, '_' for every other character.
template <class Case>
std::string golden_name_of(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

inline std::string golden_name(const ::testing::TestParamInfo<golden_case>& info) { return golden_name_of(info); }

// Runs the case and compares stdout, stderr and status byte for byte.
void check_golden(const golden_case& c);

// Reads the file note of a run on cap.dat: "Input File cap.dat :SIZE \n".
std::string file_note(unsigned long long size);

// The standard error of a run on cap.dat with `argc` elements and `records`
// whole records: the argument-count note when a mode is given, then the file
// note.
std::string notes(int argc, unsigned records);
