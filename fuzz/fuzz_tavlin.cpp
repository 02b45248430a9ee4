// libFuzzer target: one whole run of tavlin on arbitrary bytes.
//
// The first byte chooses the mode (bits 0-2: one of kModes), verbose (bit 3)
// and whether the remaining bytes are the whole capture file or the records
// after a zero header (bit 4). The capture is an in-memory file, standard
// output another; the run is made twice. Beyond the sanitizers' checks it
// stops on any of these faults:
//   - two runs on the same input differ;
//   - the status or the output of a run on an empty file is not the
//     "malloc error" ending;
//   - a dump line is not its record's non-zero leading words;
//   - a format pass prints anything but its header (verbose, once) and frame
//     lines that start with its prefix, whose hex groups are the bits printed
//     before them regrouped least significant bit first.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.h"
#include "fuzz/output_check.h"
#include "passes/modes.h"

namespace {

// A mode's text on the command line.
constexpr const char* kModes[] = {"-1", "0", "1", "2", "3", "7", "-2147483648", "+3"};

// The letters of the passes a mode runs, in order: R for the dump.
std::string pass_letters(const char* mode) {
    const mode_row row = mode_passes(parse_mode(mode));
    std::string letters = row.dump ? "R" : "";
    for (const format_profile* format : row.formats) letters += format->letter;
    return letters;
}

struct fuzz_case {
    const char* mode;
    bool verbose;
    std::vector<unsigned char> capture;
};

fuzz_case read_case(const std::uint8_t* data, std::size_t size) {
    fuzz_case c{kModes[data[0] & 7], (data[0] & 8) != 0, {}};
    if ((data[0] & 16) == 0) c.capture.assign(1024, 0);
    c.capture.insert(c.capture.end(), data + 1, data + size);
    return c;
}

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fuzz_tavlin: %s\n", what);
    std::abort();
}

std::string read_all(int fd) {
    std::string text;
    char chunk[1 << 16];
    ssize_t n;
    for (off_t at = 0; (n = pread(fd, chunk, sizeof chunk, at)) > 0; at += n) text.append(chunk, n);
    return text;
}

struct run_output {
    int status;
    std::string out;
};

// Runs tavlin on the capture, as `tavlin /proc/self/fd/N MODE [v]`, with
// standard output caught in memory and standard error dropped.
run_output run_once(const fuzz_case& c) {
    static const int capture_fd = memfd_create("capture", 0);
    static const int out_fd = memfd_create("stdout", 0);
    static const int null_fd = open("/dev/null", O_WRONLY);
    if (ftruncate(capture_fd, 0) != 0 || ftruncate(out_fd, 0) != 0) fault("cannot reset the in-memory files");
    if (!c.capture.empty() &&
        pwrite(capture_fd, c.capture.data(), c.capture.size(), 0) != static_cast<ssize_t>(c.capture.size()))
        fault("cannot write the capture");

    std::string path = "/proc/self/fd/" + std::to_string(capture_fd);
    std::string mode(c.mode), verbose = "v";
    char program[] = "tavlin";
    std::vector<char*> argv = {program, path.data(), mode.data()};
    if (c.verbose) argv.push_back(verbose.data());
    argv.push_back(nullptr);

    std::fflush(stderr);
    const int saved_out = dup(STDOUT_FILENO), saved_err = dup(STDERR_FILENO);
    dup2(out_fd, STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
    lseek(out_fd, 0, SEEK_SET);
    const int status = run_tavlin(static_cast<int>(argv.size()) - 1, argv.data());
    std::fflush(stderr);
    dup2(saved_out, STDOUT_FILENO);
    dup2(saved_err, STDERR_FILENO);
    close(saved_out);
    close(saved_err);
    return {status, read_all(out_fd)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const fuzz_case c = read_case(data, size);
    const run_output first = run_once(c);
    const run_output second = run_once(c);
    if (first.status != second.status || first.out != second.out) fault("two runs on one input differ");

    if (c.capture.empty()) {
        if (first.status != 2 || first.out != "malloc error 12\n") fault("an empty file does not end in malloc error");
        return 0;
    }
    if (first.status != 0) fault("a run on a readable capture failed");
    const std::string problem = check_output(pass_letters(c.mode), c.verbose, c.capture, first.out);
    if (!problem.empty()) fault(problem.c_str());
    return 0;
}
