// The default mode's one walk prints what the three passes print one after
// the other, also when its temporary files cannot be made or written.
#include "passes/all_formats.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

#include "passes/kanden.h"
#include "passes/mitsubishi.h"
#include "passes/sony.h"
#include "tests/frames.h"
#include "tests/harness.h"
#include "tools/capture_text.h"

namespace {

// What `decode` prints, run in a child process (so that limits set by
// `prepare` stay there), caught through a pipe.
std::string printed(const std::function<void()>& prepare, const std::function<void(out_writer&)>& decode) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) std::abort();
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_fds[0]);
        prepare();
        static out_writer out;
        out_init(out, pipe_fds[1]);
        decode(out);
        _exit(out_flush(out) ? 0 : 1);
    }
    close(pipe_fds[1]);
    std::string text;
    char chunk[1 << 16];
    ssize_t n;
    while ((n = read(pipe_fds[0], chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return text;
}

class DefaultMode : public ::testing::Test {
  protected:
    void SetUp() override {
        // Output of the MITSUBISHI pass far beyond the file size limit below.
        ASSERT_TRUE(capture_from_text(repeated(kSonyRecord + kKandenRecord + kMitsubishiRecord, 3000), bytes, error));
        image = image_of_bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        expected = printed([] {},
                           [this](out_writer& out) {
                               decode_kanden(image, out, true);
                               decode_mitsubishi(image, out, true);
                               decode_sony(image, out, true);
                           });
        ASSERT_GT(expected.size(), std::size_t{1} << 20);
    }

    std::string bytes, error, expected;
    capture_image image;
};

TEST_F(DefaultMode, PrintsThePassesInTurn) {
    EXPECT_TRUE(printed([] {}, [this](out_writer& out) { decode_all_formats(image, out, true); }) == expected);
}

TEST_F(DefaultMode, WithoutTemporaryFilesRunsThePassesInTurn) {
    const auto no_temporary_directory = [] { setenv("TMPDIR", "/nonexistent/directory", 1); };
    EXPECT_TRUE(printed(no_temporary_directory, [this](out_writer& out) { decode_all_formats(image, out, true); }) ==
                expected);
}

// Files may not grow past 64 KiB: the spooled passes fail part-way and are
// run again over the capture.
TEST_F(DefaultMode, TemporaryFilesThatCannotBeWrittenAreNotUsed) {
    const auto small_files = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{65536, 65536};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    EXPECT_TRUE(printed(small_files, [this](out_writer& out) { decode_all_formats(image, out, true); }) == expected);
}

}  // namespace
