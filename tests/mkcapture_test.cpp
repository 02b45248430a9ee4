// mkcapture end to end: where it writes (the same file refused, standard
// output, devices, FIFOs, links, files it may not write, full disks), its
// command line, and input that is no description. Each case checks the
// status, the whole standard output and error, and every entry of the
// directory afterwards. The rows that need what only POSIX has run on
// Linux; Windows has rows of its own: NUL and CON, names told apart without
// regard to case, and files that another process holds open.
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/harness.h"
#include "tools/shared/description.h"
#include "tools/shared/record_layout.h"
#include "tools/forms/registry.h"

namespace {

const char* const kDescription = "0x123 0x456\n";
const std::string kCapture = capture_bytes(kDescription);

// A UTF-8 path, whatever the code page.
std::filesystem::path utf8_path(const std::string& path) { return std::u8string(path.begin(), path.end()); }

// A file's permission bits; on Windows 0444 makes it read-only.
void set_mode(const std::string& path, int mode) {
    std::filesystem::permissions(utf8_path(path), static_cast<std::filesystem::perms>(mode));
}

// The listing line of a regular file of `bytes`, as directory_listing shows
// it: written to a file of its own and listed.
std::string entry(const std::string& name, int mode, const std::string& bytes) {
    scratch_dir dir;
    dir.write_bytes(name, bytes);
    set_mode(dir.path_of(name), mode);
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
    long most_kib = 0;                           // when not 0, the run's peak memory stays under it
    bool needs_root = false;                     // as_nobody must take effect: skipped unless run as root
    // On Windows: a file of the directory that the test keeps open during
    // the run, sharing with others only what `held_share` says
    // (FILE_SHARE_READ, FILE_SHARE_WRITE, ...).
    const char* held = nullptr;
    unsigned held_share = 0;
};

void PrintTo(const output_case& c, std::ostream* os) { *os << c.name; }

class MkcaptureRun : public ::testing::TestWithParam<output_case> {};

TEST_P(MkcaptureRun, ChangesOnlyWhatItWasAskedToWrite) {
    const output_case& c = GetParam();
#if !defined(_WIN32)
    if (c.needs_root && geteuid() != 0) GTEST_SKIP() << "needs a run as nobody, so the tests must run as root";
#endif
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

#if defined(_WIN32)
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.held != nullptr) {
        held = CreateFileW(utf8_path(dir.path_of(c.held)).c_str(), GENERIC_READ, c.held_share, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    const run_result r = run_mkcapture(dir, c.args, c.setup);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
#else
    const run_result r = run_mkcapture(dir, c.args, c.setup);
#endif
    EXPECT_EQ(r.status, c.status);
    EXPECT_PRED_FORMAT2(same_text, r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(directory_listing(dir.path), expected_listing);
    if (c.most_kib != 0 && kPeakMemoryMeasured) {
        EXPECT_LT(r.peak_kib, c.most_kib);
    }
}

void write(scratch_dir& dir, const char* name, const std::string& bytes, int mode = 0644) {
    dir.write_bytes(name, bytes);
    set_mode(dir.path_of(name), mode);
}

void make_directory(scratch_dir& dir, const char* name) {
    ASSERT_TRUE(std::filesystem::create_directory(dir.path_of(name)));
}

// What the system says of a folder opened as a file.
#if defined(_WIN32)
const std::string kFolderRead = "Permission denied";
#else
const std::string kFolderRead = "Is a directory";
#endif

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
        output_case{"directory_refused",
                    [](scratch_dir& d) { make_directory(d, "sub"); },
                    {"in.txt", "sub"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot write sub: Is a directory\n",
                    {}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

#if defined(_WIN32)
// A duration with a 0x0A byte, which standard output in text mode would
// turn into CR LF.
const std::string kLineFeedCapture = capture_bytes("0x10A 0x456\n");

// A file open in another process: refused when it shares no writing (the
// test's open of the output fails) or no deletion (the move over it fails),
// and the old file is kept either way, with no temporary file beside it;
// a capture already moved over its old file is put back when its manifest
// cannot be.
INSTANTIATE_TEST_SUITE_P(
    WindowsOutputs, MkcaptureRun,
    ::testing::Values(
        output_case{"to_NUL", nullptr, {"in.txt", "NUL"}, {}, 0, "", "", {}},
        output_case{"to_nul_in_any_case", nullptr, {"in.txt", "nul"}, {}, 0, "", "", {}},
        output_case{"to_CON_without_a_console", nullptr, {"in.txt", "CON"}, {}, 1, "",
                    "mkcapture: cannot write CON: Invalid handle.\n", {}},
        output_case{"to_standard_output_as_bytes",
                    [](scratch_dir& d) { write(d, "lf.txt", "0x10A 0x456\n"); },
                    {"lf.txt", "-"},
                    {},
                    0,
                    kLineFeedCapture,
                    "",
                    {}},
        output_case{"replaces_a_file_named_with_backslashes_and_capitals",
                    [](scratch_dir& d) { write(d, "old.cap", "old"); },
                    {"in.txt", ".\\OLD.CAP"},
                    {},
                    0,
                    "",
                    "",
                    {{"old.cap", entry("old.cap", 0644, kCapture)}}},
        output_case{"input_named_another_way", nullptr, {"in.txt", ".\\IN.TXT"}, {}, 2, "",
                    "mkcapture: OUTPUT .\\IN.TXT is the same file as INPUT in.txt\n", {}},
        output_case{"read_only_file_refused",
                    [](scratch_dir& d) { write(d, "out.cap", "old", 0444); },
                    {"in.txt", "out.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot write out.cap: Access denied.\n",
                    {}},
        output_case{"file_held_without_sharing_writes",
                    [](scratch_dir& d) { write(d, "old.cap", "old"); },
                    {"in.txt", "old.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot write old.cap: Sharing violation.\n",
                    {},
                    0,
                    false,
                    "old.cap",
                    FILE_SHARE_READ},
        output_case{"file_held_without_sharing_deletion",
                    [](scratch_dir& d) { write(d, "old.cap", "old"); },
                    {"in.txt", "old.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot write old.cap: Access denied.\n",
                    {},
                    0,
                    false,
                    "old.cap",
                    FILE_SHARE_READ | FILE_SHARE_WRITE},
        output_case{"manifest_held_keeps_the_old_capture",
                    [](scratch_dir& d) {
                        write(d, "old.cap", "old");
                        write(d, "m.txt", "old");
                        write(d, "in.raw", "100 200\n");
                    },
                    {"--from", "raw", "--manifest", "m.txt", "in.raw", "old.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot write m.txt: Access denied.\n",
                    {},
                    0,
                    false,
                    "m.txt",
                    FILE_SHARE_READ | FILE_SHARE_WRITE},
        output_case{"names_beyond_ascii", nullptr, {"in.txt", "\xC3\xBC\xE2\x82\xAC.cap"}, {}, 0, "", "",
                    {{"\xC3\xBC\xE2\x82\xAC.cap", entry("\xC3\xBC\xE2\x82\xAC.cap", 0644, kCapture)}}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });
#else
INSTANTIATE_TEST_SUITE_P(
    PosixOutputs, MkcaptureRun,
    ::testing::Values(
        output_case{"same_file_through_a_link_and_dot",
                    [](scratch_dir& d) { ASSERT_EQ(symlink("in.txt", d.path_of("l.txt").c_str()), 0); },
                    {"l.txt", "./in.txt"},
                    {},
                    2,
                    "",
                    "mkcapture: OUTPUT ./in.txt is the same file as INPUT l.txt\n",
                    {}},
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
        output_case{"full_disk_keeps_the_old_file",
                    [](scratch_dir& d) { write(d, "out.cap", "old"); },
                    {"in.txt", "out.cap"},
                    setup_of({{"file_limit", "2048"}}),
                    1,
                    "",
                    "mkcapture: cannot write out.cap: File too large\n",
                    {}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });
#endif

INSTANTIATE_TEST_SUITE_P(
    CommandLines, MkcaptureRun,
    ::testing::Values(output_case{"version", nullptr, {"--version"}, {}, 0, "mkcapture " TAVLIN_VERSION "\n", "", {}},
                      output_case{"help_at_the_end",
                                  nullptr,
                                  {"in.txt", "out.cap", "--help"},
                                  {},
                                  0,
                                  std::string(kDescriptionHelp) + import_help(),
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
                      output_case{"unit_with_mode2",
                                  nullptr,
                                  {"--from=mode2", "--unit=9", "in.txt", "out.cap"},
                                  {},
                                  2,
                                  "",
                                  "mkcapture: --unit has no effect with --from mode2\n" + kTry,
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
                    [](scratch_dir& d) { make_directory(d, "sub"); },
                    {"sub", "out.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: cannot read sub: " + kFolderRead + "\n",
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

// A failed run changes no file, whichever output fails; input that shows
// itself binary is refused before it is read whole.
INSTANTIATE_TEST_SUITE_P(
    CrashesAndDataLoss, MkcaptureRun,
    ::testing::Values(
        output_case{"binary_input_refused_at_its_start",
                    [](scratch_dir& d) {
                        write(d, "zeros", "");
                        std::filesystem::resize_file(d.path_of("zeros"), 128 << 20);
                    },
                    {"--from", "raw", "zeros", "out.cap"},
                    {},
                    1,
                    "",
                    "mkcapture: zeros looks like a binary file; are INPUT and OUTPUT swapped?\n",
                    {},
                    64 * 1024}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

// The 250-byte file name a shell could write.
const std::string kLongName = std::string(246, 'n') + ".cap";

// Names reach the manifest as one line each, whatever bytes they hold.
INSTANTIATE_TEST_SUITE_P(
    Names, MkcaptureRun,
    ::testing::Values(
        output_case{"manifest_escapes_control_bytes_and_backslashes",
                    [](scratch_dir& d) { write(d, "in.raw", "a\tb\\c: 100 200\nx\\x41: 1 2\n"); },
                    {"--from", "raw", "--manifest", "-", "in.raw", "out.cap"},
                    {},
                    0,
                    "# record (hex, as tavlin prints it)\tsignal\n1\ta\\x09b\\x5Cc\n2\tx\\x5Cx41\n",
                    "",
                    {{"out.cap", entry("out.cap", 0644, capture_bytes("0x2000 100 200\n0x2000 1 2"))}}},
        output_case{"output_name_of_250_bytes",
                    nullptr,
                    {"in.txt", kLongName},
                    {},
                    0,
                    "",
                    "",
                    {{kLongName, entry(kLongName, 0644, kCapture)}}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

// Every name, any bytes it holds, is read back from the manifest as it was
// written, and each signal is one line of it.
TEST(MkcaptureManifest, NamesReadBackWhole) {
    std::vector<ir_signal> signals;
    for (const char* name : {"\\", "\\x41", "\\x4", "a\nb", "\r", "\t2\tFAKE", "\x1B[2J", "\\\\x5C", "#", "x\\"})
        signals.push_back({name, 1, {1}});
    std::mt19937 random(18);
    for (int k = 0; k < 500; ++k) {
        std::string name(1 + random() % 12, ' ');
        for (char& c : name) c = static_cast<char>(random() % 3 == 0 ? "\\x0A\t\r"[random() % 6] : random());
        signals.push_back({name, 1, {1}});
    }
    std::string text = "# record\tsignal\n";
    for (std::size_t k = 0; k < signals.size(); ++k) text += manifest_line(k + 1, signals[k], "in");
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), signals.size() + 1);
    std::map<std::uint64_t, std::string> names;
    ASSERT_EQ(read_manifest(text, names), "");
    ASSERT_EQ(names.size(), signals.size());
    for (std::size_t k = 0; k < signals.size(); ++k) EXPECT_EQ(names[k + 1], signals[k].name) << "record " << k + 1;
}

#if defined(_WIN32)
// Ctrl-C while mkcapture waits for more of its input, its capture's
// temporary file made, ends it and leaves the old capture and no temporary
// file. Its status is not compared: Windows gives STATUS_CONTROL_C_EXIT,
// Wine 0.
TEST(MkcaptureInterrupt, CtrlCKeepsTheOldFileAndLeavesNoTemporaryFile) {
    scratch_dir dir;
    dir.write_bytes("out.cap", "old");
    run_setup setup;
    setup.stdin_text = "100 200\n";
    const std::string path = dir.path;
    bool made = false;
    setup.terminate_when = [path, &made] {
        for (const auto& e : std::filesystem::directory_iterator(path))
            if (e.path().filename().string().rfind(".out.cap.", 0) == 0) made = true;
        return made;
    };
    const run_result r = run_mkcapture(dir, {"--from", "raw", "-", "out.cap"}, setup);
    EXPECT_TRUE(made);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(directory_listing(dir.path), entry("out.cap", 0644, "old") + "\n");
}
#endif

#if !defined(_WIN32)
// What only POSIX has: standard input from a directory, a FIFO input, names
// holding line ends.
INSTANTIATE_TEST_SUITE_P(
    PosixInputs, MkcaptureRun,
    ::testing::Values(
        output_case{"standard_input_that_cannot_be_read",
                    [](scratch_dir& d) { mkdir(d.path_of("sub").c_str(), 0755); },
                    {"-", "out.cap"},
                    setup_of({{"stdin_path", "sub"}}),
                    1,
                    "",
                    "mkcapture: cannot read -: Is a directory\n",
                    {}},
        output_case{"manifest_failing_at_its_commit_keeps_the_old_capture",
                    [](scratch_dir& d) {
                        write(d, "out.cap", "old");
                        ASSERT_EQ(mkfifo(d.path_of("in.fifo").c_str(), 0644), 0);
                    },
                    {"--from", "raw", "--manifest", "m.txt", "in.fifo", "out.cap"},
                    [] {
                        // Planned as a new file, m.txt is a directory by the time it is committed.
                        run_setup setup;
                        setup.fifo_name = "in.fifo";
                        setup.fifo_text = "100 200\n";
                        setup.on_fifo_open = [](const std::string& dir) { mkdir((dir + "/m.txt").c_str(), 0755); };
                        return setup;
                    }(),
                    1,
                    "",
                    "mkcapture: cannot write m.txt: Is a directory\n",
                    {{"m.txt", "m.txt 493 other"}}},
        output_case{"input_name_with_a_line_end_forges_no_line",
                    [](scratch_dir& d) {  // in a directory of its own, out of the listing's lines
                        ASSERT_EQ(mkdir(d.path_of("sub").c_str(), 0755), 0);
                        write(d, "sub/a\n2\tFAKE", "100 200\n");
                    },
                    {"--from", "raw", "--manifest", "-", "sub/a\n2\tFAKE", "out.cap"},
                    {},
                    0,
                    "# record (hex, as tavlin prints it)\tsignal\n1\tsub/a\\x0A2\\x09FAKE:1\n",
                    "",
                    {{"out.cap", entry("out.cap", 0644, capture_bytes("0x2000 100 200"))}}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Messages, MkcaptureRun,
    ::testing::Values(
        output_case{"help_to_a_full_device",
                    nullptr,
                    {"--help"},
                    setup_of({{"as_nobody", "1"}, {"stdout_path", "/dev/full"}}),
                    1,
                    "",
                    "mkcapture: cannot write standard output: No space left on device\n",
                    {}},
        output_case{"version_to_a_full_device",
                    nullptr,
                    {"--version"},
                    setup_of({{"as_nobody", "1"}, {"stdout_path", "/dev/full"}}),
                    1,
                    "",
                    "mkcapture: cannot write standard output: No space left on device\n",
                    {}},
        // The scratch directory is root's: nobody may write out.cap but not create a file beside it.
        output_case{"file_in_an_unwritable_directory_written_in_place",
                    [](scratch_dir& d) { write(d, "out.cap", "old", 0666); },
                    {"in.txt", "out.cap"},
                    setup_of({{"as_nobody", "1"}}),
                    0,
                    "",
                    "mkcapture: cannot create a temporary file in .: Permission denied; writing out.cap in place\n",
                    {{"out.cap", entry("out.cap", 0666, kCapture)}},
                    0,
                    true},
        // Written in place, but only once every output can be: a manifest that cannot be made keeps out.cap.
        output_case{"file_written_in_place_kept_when_the_manifest_fails",
                    [](scratch_dir& d) {
                        write(d, "out.cap", "old", 0666);
                        write(d, "in.raw", "100 200\n", 0644);
                    },
                    {"--from", "raw", "--manifest", "m.txt", "in.raw", "out.cap"},
                    setup_of({{"as_nobody", "1"}}),
                    1,
                    "",
                    "mkcapture: cannot create a temporary file in .: Permission denied; writing out.cap in place\n"
                    "mkcapture: cannot create a temporary file in .: Permission denied\n",
                    {},
                    0,
                    true}),
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
// manifest leaves no temporary file of the capture behind: each signal
// whose default action ends a process, a real-time one too.
using named_signal = std::pair<const char*, int>;

class MkcaptureSignal : public ::testing::TestWithParam<named_signal> {};

TEST_P(MkcaptureSignal, TerminationRemovesTheTemporaryFile) {
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
    setup.terminate_signal = GetParam().second;
    const run_result r = run_mkcapture(dir, {"--from", "raw", "--manifest", "fifo", "in.raw", "out.cap"}, setup);
    EXPECT_EQ(r.status, 128 + GetParam().second);
    EXPECT_EQ(directory_listing(dir.path), "fifo 420 fifo\n" + entry("in.raw", 0644, "100 200\n") + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, MkcaptureSignal,
    ::testing::Values(named_signal{"TERM", SIGTERM}, named_signal{"HUP", SIGHUP}, named_signal{"INT", SIGINT},
                      named_signal{"QUIT", SIGQUIT}, named_signal{"ALRM", SIGALRM}, named_signal{"USR1", SIGUSR1},
                      named_signal{"USR2", SIGUSR2}, named_signal{"XCPU", SIGXCPU}, named_signal{"VTALRM", SIGVTALRM},
                      named_signal{"PROF", SIGPROF}, named_signal{"RTMIN", SIGRTMIN}, named_signal{"RTMAX", SIGRTMAX}),
    [](const ::testing::TestParamInfo<named_signal>& info) { return std::string(info.param.first); });

#endif

}  // namespace
