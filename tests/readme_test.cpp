// The README as a tested document: every shell transcript in it, a "$ "
// line and the output that follows it, is run in one scratch directory (the
// examples beside it, the built programs first on PATH) in the order the
// README gives, and what the command prints, standard error included, must
// be what the README shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

struct transcript_step {
    unsigned line;  // in README.md
    std::string command;
    std::string output;
};

// The "$ " lines of the ```sh blocks, and their output.
std::vector<transcript_step> transcripts(const std::string& readme) {
    std::vector<transcript_step> steps;
    bool in_block = false;
    std::size_t block_start = 0;  // the first step of the block
    unsigned number = 0;
    for (std::size_t at = 0; at < readme.size();) {
        std::size_t end = readme.find('\n', at);
        if (end == std::string::npos) end = readme.size();
        const std::string line = readme.substr(at, end - at);
        at = end + 1;
        ++number;
        if (line.rfind("```", 0) == 0) {
            in_block = line == "```sh";
            block_start = steps.size();
            continue;
        }
        if (!in_block) continue;
        if (line.rfind("$ ", 0) == 0)
            steps.push_back({number, line.substr(2), ""});
        else if (steps.size() > block_start)
            steps.back().output += line + "\n";
    }
    return steps;
}

TEST(Readme, EveryTranscriptPrintsWhatItShows) {
    const std::string root = std::string(EXAMPLES_DIR) + "/..";
    const std::vector<transcript_step> steps = transcripts(read_file(root + "/README.md"));
    ASSERT_GT(steps.size(), 30u);
    scratch_dir dir;
    ASSERT_EQ(symlink(EXAMPLES_DIR, dir.path_of("examples").c_str()), 0);
    run_setup setup;
    const std::string binary = TAVLIN_BINARY;
    setup.path_first = binary.substr(0, binary.rfind('/'));
    setup.merge_stderr = true;
    for (const transcript_step& step : steps) {
        const run_result r = run_shell(dir, step.command, setup);
        EXPECT_EQ(r.out, step.output) << "README.md line " << step.line << ": $ " << step.command;
    }
}

}  // namespace
