// Where the companions write on Windows: NUL, a file named two ways, a file
// another process holds, a file replaced, a capture on standard output and
// names beyond ASCII. Each case checks the status, the whole standard output
// and error, and every entry of the folder afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

// A duration with a 0x0A byte, which a text-mode output would turn into
// CR LF.
const char* const kDescription = "0x10A 0x456\n";

struct output_case {
    const char* name;
    std::vector<std::string> args;  // in.txt holds the description; old.cap an old capture
    const char* held;               // a file kept open, without sharing writes or deletion, during the run
    int status;
    std::string out;  // "capture": the capture's bytes
    std::string err;
    std::vector<std::string> after;  // the names in the folder afterwards, with what they hold
};

void PrintTo(const output_case& c, std::ostream* os) { *os << c.name; }

class WindowsOutputs : public ::testing::TestWithParam<output_case> {};

std::wstring wide(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

TEST_P(WindowsOutputs, ChangeOnlyWhatTheyWereAskedToWrite) {
    const output_case& c = GetParam();
    const std::string capture = capture_bytes(kDescription);
    const std::string old_capture = capture_bytes("1 2 3 4\n");
    scratch_dir dir;
    dir.write_bytes("in.txt", kDescription);
    dir.write_bytes("old.cap", old_capture);
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.held != nullptr) {
        held = CreateFileW(wide(dir.path_of(c.held)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    const run_result r = run_mkcapture(dir, c.args);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out == capture ? "capture" : r.out, c.out);
    EXPECT_PRED_FORMAT2(same_text, r.err, c.err);
    const std::string expected_listing = [&] {
        scratch_dir expected;
        for (const std::string& entry : c.after) {
            const std::size_t colon = entry.find(':');
            const std::string what = entry.substr(colon + 1);
            expected.write_bytes(entry.substr(0, colon), what == "capture"  ? capture
                                                         : what == "old"    ? old_capture
                                                                            : std::string(kDescription));
        }
        return directory_listing(expected.path);
    }();
    EXPECT_PRED_FORMAT2(same_text, directory_listing(dir.path), expected_listing);
}

const std::vector<std::string> kUnchanged = {"in.txt:text", "old.cap:old"};

INSTANTIATE_TEST_SUITE_P(
    Table, WindowsOutputs,
    ::testing::Values(
        output_case{"to_NUL", {"in.txt", "NUL"}, nullptr, 0, "", "", kUnchanged},
        output_case{"to_nul_in_any_case", {"in.txt", "nul"}, nullptr, 0, "", "", kUnchanged},
        output_case{"to_standard_output_as_bytes", {"in.txt", "-"}, nullptr, 0, "capture", "", kUnchanged},
        output_case{"new_file", {"in.txt", "new.cap"}, nullptr, 0, "", "",
                    {"in.txt:text", "old.cap:old", "new.cap:capture"}},
        output_case{"replaces_a_file", {"in.txt", "old.cap"}, nullptr, 0, "", "", {"in.txt:text", "old.cap:capture"}},
        output_case{"replaces_a_file_named_with_backslashes", {"in.txt", ".\\OLD.CAP"}, nullptr, 0, "", "",
                    {"in.txt:text", "old.cap:capture"}},
        output_case{"input_named_another_way", {"in.txt", ".\\IN.TXT"}, nullptr, 2, "",
                    "mkcapture: OUTPUT .\\IN.TXT is the same file as INPUT in.txt\n", kUnchanged},
        output_case{"file_held_by_another_process",
                    {"in.txt", "old.cap"},
                    "old.cap",
                    1,
                    "",
                    "mkcapture: cannot write old.cap: Sharing violation.\n",
                    kUnchanged},
        output_case{"names_beyond_ascii", {"in.txt", "\xC3\xBC\xE2\x82\xAC.cap"}, nullptr, 0, "", "",
                    {"in.txt:text", "old.cap:old", "\xC3\xBC\xE2\x82\xAC.cap:capture"}}),
    [](const ::testing::TestParamInfo<output_case>& info) { return std::string(info.param.name); });

}  // namespace
