// The harness itself: a difference in whole outputs names its first line and
// shows it with its line end, and the programs it runs start with SIGPIPE as
// a shell would start them, though the tests ignore it.
#include "tests/harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SameText, ShowsTheFirstDifferingLineWithItsLineEnd) {
    const struct {
        std::string got, expected, message;
    } cases[] = {
        {"a\nb\n", "a\nb\n", ""},
        {"a\nb\n", "a\nc\n",
         "g (4 bytes) differs from e (4 bytes) first at byte 2, line 2:\n  got:      b\\n\n  expected: c\\n"},
        {"a\nb", "a\nb\n",
         "g (3 bytes) differs from e (4 bytes) first at byte 3, line 2:\n  got:      b<end>\n  expected: b\\n"},
        {"x\r\n", "x\n",
         "g (3 bytes) differs from e (2 bytes) first at byte 1, line 1:\n  got:      x\\r\\n\n  expected: x\\n"},
        {"\x01\xFF", "",
         "g (2 bytes) differs from e (0 bytes) first at byte 0, line 1:\n  got:      \\x01\\xFF\n  expected: <end>"},
        {std::string(100, 'a') + "b", std::string(101, 'a'),
         "g (101 bytes) differs from e (101 bytes) first at byte 100, line 1:\n  got:      ..." + std::string(40, 'a') +
             "b\n  expected: ..." + std::string(41, 'a')},
    };
    for (const auto& c : cases) {
        const ::testing::AssertionResult result = same_text("g", "e", c.got, c.expected);
        EXPECT_EQ(static_cast<bool>(result), c.message.empty());
        EXPECT_EQ(result.message(), c.message);
    }
}

TEST(Harness, ProgramsStartWithSigpipeAsFromAShell) {
    scratch_dir dir;
    const run_result r = run_shell(dir, "trap -p PIPE");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
}

}  // namespace
