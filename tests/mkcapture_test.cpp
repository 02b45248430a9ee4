// mkcapture end to end: where it writes (the same file refused, standard
// output, devices, FIFOs, links, files it may not write, full disks), its
// command line, and input that is no description. Each case checks the
// status, the whole standard output and error, and every entry of the
// directory afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/harness.h"
#include "tools/shared/description.h"
#include "tools/forms/registry.h"

namespace {

const char* const kDescription = "0x123 0x456\n";
const std::string kCapture = capture_bytes(kDescription);

// The listing line of a regular file of `bytes`, as directory_listing shows
// it: written to a file of its own and listed.
std::string entry(const std::string& name, int mode, const std::string& bytes) {
    scratch_dir dir;
    dir.write_bytes(name, bytes);
    chmod(dir.path_of(name).c_str(), static_cast<mode_t>(mode));
    std::string line = directory_listing(dir.path);
    line.pop_back();
    return line;
}

struct output_case {
    const char* name;
    std::function<void(scratch_dir&)> prepare;  // beyond in.txt, the description
    std::vector<std::string> args;
    run_setup setup;
    int status;
    std::string out;
    std::string err;
    std::map<std::string, std::string> changed;  // entries whose listing line changes; "" for none
};

void PrintTo(const output_case& c, std::ostream* os) { *os << c.name; }

class MkcaptureRun : public ::testing::TestWithParam<output_case> {};

TEST_P(MkcaptureRun, ChangesOnlyWhatItWasAskedToWrite) {
    const output_case& c = GetParam();
    scratch_dir dir;
    dir.write_bytes("in.txt", kDescription);
    if (c.prepare) c.prepare(dir);
    std::map<std::string, std::string> expected;
    std::string listing = directory_listing(dir.path);
    for (std::size_t at = 0; at < listing.size();) {
        const std::size_t end = listing.find('\n', at);
        const std::string line = listing.substr(at, end - at);
        expected[line.substr(0, line.find(' '))] = line;
        at = end + 1;
    }
    for (const auto& [name, line] : c.changed) expected[name] = line;
    std::string expected_listing;
    for (const auto& [name, line] : expected)
        if (!line.empty()) expected_listing += line + "\n";

    const run_result r = run_mkcapture(dir, c.args, c.setup);
    EXPECT_EQ(r.status, c.status);
    EXPECT_PRED_FORMAT2(same_text, r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(directory_listing(dir.path), expected_listing);
}

void write(scratch_dir& dir, const char* name, const std::string& bytes, mode_t mode = 0644) {
    dir.write_bytes(name, bytes);
    chmod(dir.path_of(name).c_str(), mode);
}

// A setup from its fields by name: as_nobody, terminal_output, stdout_append
// ("1"), stdin_path, stdout_path, file_limit.
run_setup setup_of(const std::map<std::string, std::string>& fields) {
    run_setup setup;
    for (const auto& [name, value] : fields) {
        if (name == "as_nobody") setup.as_nobody = true;
        if (name == "terminal_output") setup.terminal_output = true;
        if (name == "stdout_append") setup.stdout_append = true;
        if (name == "stdin_path") setup.stdin_path = value;
        if (name == "stdout_path") setup.stdout_path = value;
        if (name == "file_limit") setup.file_limit = std::stoull(value);
    }
    return setup;
}

const std::string kTry = "Try 'mkcapture --help' for more information.\n";

INSTANTIATE_TEST_SUITE_P(
    Outputs, MkcaptureRun,
    ::testing::Values(
        output_case{"same_file",
                    nullptr,
                    {"in.txt", "in.txt"},
                    {},
                    2,
                    "",
                    "mkcapture: OUTPUT in.txt is the same file as INPUT in.txt\n",
                    {}},
        output_case{"same_file_through_a_link_and_dot",
                    [](scratch_dir& d) { ASSERT_EQ(symlink("in.txt", d.path_of("l.txt").c_str()), 0); },
                    {"l.txt", "./in.txt"},
                    {},
                    2,
                    "",
                    "mkcapture: OUTPUT ./in.txt is the same file as INPUT l.txt\n",
                    {}},
        output_case{"standard_input_same_as_output",
                    [](scratch_dir& d) { write(d, "out.cap", kDescription); },
                    {"-", "out.cap"},
                    setup_of({{"stdin_path", "out.cap"}}),
                    2,
                    "",
                    "mkcapture: OUTPUT out.cap is the same file as INPUT -\n",
                    {}},
        output_case{"manifest_same_as_new_output",
                    [](scratch_dir& d) { write(d, "in.raw", "100 200\n"); },
                    {"--from", "raw", "--manifest", "./out.cap", "in.raw", "out.cap"},
                    {},
                    2,
                    "",
                    "mkcapture: --manifest ./out.cap is the same file as OUTPUT out.cap\n",
                    {}},
        output_case{"manifest_same_as_input",
                    [](scratch_dir& d) { write(d, "in.raw", "100 200\n"); },
                    {"--from", "raw", "--manifest", "in.raw", "in.raw", "out.cap"},
                    {},
                    2,
                    "",
                    "mkcapture: --manifest in.raw is the same file as INPUT in.raw\n",
                    {}},
        output_case{"dash_writes_standard_output", nullptr, {"in.txt", "-"}, {}, 0, kCapture, "", {}},
        output_case{"dev_stdout_is_standard_output", nullptr, {"in.txt", "/dev/stdout"}, {}, 0, kCapture, "", {}},
        output_case{"dev_stdout_appending_to_a_file_appends",
                    [](scratch_dir& d) { write(d, "log", "hello\n"); },
                    {"in.txt", "/dev/stdout"},
                    setup_of({{"stdout_path", "log"}, {"stdout_append", "1"}}),
                    0,
                    "",
                    "",
                    {{"log", entry("log", 0644, "hello\n" + kCapture)}}},
        output_case{"dash_refused_on_a_terminal",
                    nullptr,
                    {"in.txt", "-"},
                    setup_of({{"terminal_output", "1"}}),
                    2,
                    "",
                    "mkcapture: refusing to write binary data to a terminal: redirect standard output, or name "
                    "OUTPUT\n",
                    {}},
        output_case{"dev_null", nullptr, {"in.txt", "/dev/null"}, setup_of({{"as_nobody", "1"}}), 0, "", "", {}},
        output_case{"dev_full",
                    nullptr,
                    {"in.txt", "/dev/full"},
                    setup_of({{"as_nobody", "1"}}),
                    1,
                    "",
                    "mkcapture: cannot write /dev/full: No space left on device\n",
                    {}},
        output_case{"link_target_replaced_link_kept",
                    [](scratch_dir& d) {
                        write(d, "target.cap", "old", 0640);
                        ASSERT_EQ(symlink("target.cap", d.path_of("out.lnk").c_str()), 0);
                    },
                    {"in.txt", "out.lnk"},
                    {},
                    0,
                    "",
                    "",
                    {{"target.cap", entry("target.cap", 0640, kCapture)}}},
        output_case{"dangling_link_makes_its_target",
                    [](scratch_dir& d) { ASSERT_EQ(symlink("made.cap", d.path_of("out.lnk").c_str()), 0); },
                    {"in.txt", "out.lnk"},
                    {},
                    0,
                    "",
                    "",
                    {{"made.cap", entry("made.cap", 0644, kCapture)}}},
        output_case{"file_keeps_its_permissions",
                    [](scratch_dir& d) { write(d, "out.cap", "old", 0600); },
                    {"in.txt", "out.cap"},
                    {},
                    0,
                    "",
                    "",
                    {{"out.cap", entry("out.cap", 0600, kCapture)}}},
        output_case{"read_only_file_refused",
                    [](scratch_dir& d) { write(d, "out.cap", "old", 0444); },
                    {"in.txt", "out.cap"},
                    setup_of({{"as_nobody", "1"}}),
                    1,
                    "",
                    "mkcapture: cannot write out.cap: Permission denied\n",
                    {}},
        output_case{"directory_refused",
                    [](scratch_dir& d) { mkdir(d.path_of("sub").c_str(), 0755); },
                    {"in.txt", "sub"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot write sub: Is a directory\n",
                    {}},
        output_case{"full_disk_keeps_the_old_file",
                    [](scratch_dir& d) { write(d, "out.cap", "old"); },
                    {"in.txt", "out.cap"},
                    setup_of({{"file_limit", "2048"}}),
                    1,
                    "",
                    "mkcapture: cannot write out.cap: File too large\n",
                    {}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    CommandLines, MkcaptureRun,
    ::testing::Values(output_case{"version", nullptr, {"--version"}, {}, 0, "mkcapture " TAVLIN_VERSION "\n", "", {}},
                      output_case{"help_at_the_end",
                                  nullptr,
                                  {"in.txt", "out.cap", "--help"},
                                  {},
                                  0,
                                  std::string(kDescriptionHelp) + kImportHelp,
                                  "",
                                  {}},
                      output_case{"copies_without_from",
                                  nullptr,
                                  {"--copies", "3", "in.txt", "out.cap"},
                                  {},
                                  2,
                                  "",
                                  "mkcapture: --copies has no effect without --from\n" + kTry,
                                  {}},
                      output_case{"truncate_without_from",
                                  nullptr,
                                  {"in.txt", "out.cap", "--truncate"},
                                  {},
                                  2,
                                  "",
                                  "mkcapture: --truncate has no effect without --from\n" + kTry,
                                  {}},
                      output_case{"split_with_raw",
                                  nullptr,
                                  {"--from=raw", "--split=9", "in.txt", "out.cap"},
                                  {},
                                  2,
                                  "",
                                  "mkcapture: --split has no effect with --from raw\n" + kTry,
                                  {}},
                      output_case{"value_missing_at_the_end",
                                  nullptr,
                                  {"--from"},
                                  {},
                                  2,
                                  "",
                                  "mkcapture: --from needs a value\n" + kTry,
                                  {}},
                      output_case{"unknown_option",
                                  nullptr,
                                  {"--frm", "raw", "in.txt", "out.cap"},
                                  {},
                                  2,
                                  "",
                                  "mkcapture: unknown option --frm\n" + kTry,
                                  {}},
                      output_case{"dash_dash_ends_options",
                                  [](scratch_dir& d) { write(d, "--in", kDescription); },
                                  {"--", "--in", "out.cap"},
                                  {},
                                  0,
                                  "",
                                  "",
                                  {{"out.cap", entry("out.cap", 0644, kCapture)}}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Inputs, MkcaptureRun,
    ::testing::Values(
        output_case{"swapped_arguments",
                    [](scratch_dir& d) {
                        write(d, "cap.cap", kCapture);
                        write(d, "keep.txt", kDescription);
                    },
                    {"cap.cap", "keep.txt"},
                    {},
                    1,
                    "",
                    "mkcapture: cap.cap looks like a binary file; are INPUT and OUTPUT swapped?\n",
                    {}},
        output_case{"header_of_ff_bytes",
                    [](scratch_dir& d) { write(d, "cap.cap", std::string(1024, '\xFF')); },
                    {"--from", "raw", "cap.cap", "out.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: cap.cap looks like a binary file; are INPUT and OUTPUT swapped?\n",
                    {}},
        output_case{"byte_order_mark",
                    [](scratch_dir& d) { write(d, "bom.txt", "\xEF\xBB\xBF" + std::string(kDescription)); },
                    {"bom.txt", "out.cap"},
                    {},
                    0,
                    "",
                    "",
                    {{"out.cap", entry("out.cap", 0644, kCapture)}}},
        output_case{"byte_order_mark_before_a_name",
                    [](scratch_dir& d) { write(d, "bom.raw", "\xEF\xBB\xBFpower: 2400 600\n"); },
                    {"--from", "raw", "--manifest", "-", "bom.raw", "out.cap"},
                    {},
                    0,
                    "# record (hex, as tavlin prints it)\tsignal\n1\tpower\n",
                    "",
                    {{"out.cap", entry("out.cap", 0644, capture_bytes("0x2000 2400 600"))}}},
        output_case{"control_bytes_escaped_and_cut",
                    [](scratch_dir& d) { write(d, "bad.txt", "1 2\n3 \x1B[31m" + std::string(60, 'x') + "\n"); },
                    {"bad.txt", "out.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: bad.txt: line 2: bad duration '\\x1B[31m" + std::string(35, 'x') + "'...\n",
                    {}},
        output_case{"input_that_cannot_be_read",
                    [](scratch_dir& d) { mkdir(d.path_of("sub").c_str(), 0755); },
                    {"sub", "out.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot read sub: Is a directory\n",
                    {}},
        output_case{"standard_input_that_cannot_be_read",
                    [](scratch_dir& d) { mkdir(d.path_of("sub").c_str(), 0755); },
                    {"-", "out.cap"},
                    setup_of({{"stdin_path", "sub"}}),
                    1,
                    "",
                    "mkcapture: cannot read -: Is a directory\n",
                    {}},
        output_case{"empty_description",
                    [](scratch_dir& d) { write(d, "empty.txt", "# nothing\n"); },
                    {"empty.txt", "out.cap"},
                    {},
                    0,
                    "",
                    "mkcapture: empty.txt: no record and no size line: the capture holds only its header\n",
                    {{"out.cap", entry("out.cap", 0644, std::string(1024, '\0'))}}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

// A FIFO is written into and stays a FIFO.
TEST(MkcaptureFifo, IsWrittenIntoNotReplaced) {
    scratch_dir dir;
    dir.write_bytes("in.txt", kDescription);
    ASSERT_EQ(mkfifo(dir.path_of("fifo").c_str(), 0644), 0);
    std::string read_back;
    std::thread reader([&] { read_back = read_file(dir.path_of("fifo")); });
    const run_result r = run_mkcapture(dir, {"in.txt", "fifo"});
    reader.join();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_PRED_FORMAT2(same_text, read_back, kCapture);
    struct stat st;
    ASSERT_EQ(lstat(dir.path_of("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A size of 1 TiB extends the file with a hole: little memory, little disk.
TEST(MkcaptureSize, HugeSizeIsAHole) {
    scratch_dir dir;
    dir.write_bytes("in.txt", "size 1099511627776\n1 2\n");
    const run_result r = run_mkcapture(dir, {"in.txt", "out.cap"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_LT(r.peak_kib, 64 * 1024);
    struct stat st;
    ASSERT_EQ(stat(dir.path_of("out.cap").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1099511627776);
    EXPECT_LT(st.st_blocks * 512, 1 << 20);
}

// A signal that ends mkcapture while it waits for the reader of a FIFO
// manifest leaves no temporary file of the capture behind.
TEST(MkcaptureSignal, TerminationRemovesTheTemporaryFile) {
    scratch_dir dir;
    dir.write_bytes("in.raw", "100 200\n");
    ASSERT_EQ(mkfifo(dir.path_of("fifo").c_str(), 0644), 0);
    run_setup setup;
    const std::string path = dir.path;
    setup.terminate_when = [path] {
        for (const auto& e : std::filesystem::directory_iterator(path))
            if (e.path().filename().string().rfind(".out.cap.", 0) == 0) return true;
        return false;
    };
    const run_result r = run_mkcapture(dir, {"--from", "raw", "--manifest", "fifo", "in.raw", "out.cap"}, setup);
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_EQ(directory_listing(dir.path), "fifo 420 fifo\n" + entry("in.raw", 0644, "100 200\n") + "\n");
}

}  // namespace
