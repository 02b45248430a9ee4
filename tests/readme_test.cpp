// The README as a tested document: every shell transcript in it, a "$ "
// line and the output that follows it, is run in one scratch directory (the
// examples beside it, the built programs first on PATH) in the order the
// README gives, and what the command prints, standard error included, must
// be what the README shows.
//
// On Windows the commands run in the host's bash under Wine, each of the
// programs a command that runs its .exe: what they print has CR LF line
// ends, so a step whose command runs one of them expects the README's lines
// with CR LF; what other commands print (a file that a program wrote, with
// LF line ends) is compared as shown.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
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

#if defined(_WIN32)
// The steps that cannot run on Windows, and why.
const std::vector<std::pair<std::string, const char*>> kPosixOnly = {
    {"cat examples/sample.txt | tavlin /dev/stdin 0", "/dev/stdin is a POSIX name"},
};

// Whether a command runs one of the programs: a word that starts the
// command or follows a '|'.
bool runs_a_program(const std::string& command) {
    std::size_t at = 0;
    for (;;) {
        at = command.find_first_not_of(' ', at);
        const std::size_t end = command.find_first_of(" |", at);
        const std::string word = command.substr(at, end - at);
        if (word == "tavlin" || word == "mkcapture" || word == "tavlin-export" || word == "tavlin-view") return true;
        at = command.find('|', at);
        if (at == std::string::npos) return false;
        ++at;
    }
}

std::string with_crlf(const std::string& text) {
    std::string lines;
    for (char c : text) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return lines;
}
#endif

TEST(Readme, EveryTranscriptPrintsWhatItShows) {
    const std::string root = std::string(EXAMPLES_DIR) + "/..";
    const std::vector<transcript_step> steps = transcripts(read_file(root + "/README.md"));
    ASSERT_GT(steps.size(), 30u);
    scratch_dir dir;
    run_setup setup;
    const std::string binary = TAVLIN_BINARY;
    setup.path_first = binary.substr(0, binary.rfind('/'));
    setup.merge_stderr = true;
#if defined(_WIN32)
    std::filesystem::copy(EXAMPLES_DIR, dir.path_of("examples"), std::filesystem::copy_options::recursive);
    for (const auto& [command, why] : kPosixOnly)
        EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [&](const transcript_step& s) { return s.command == command; }))
            << "no step of the README runs " << command;
#else
    ASSERT_EQ(symlink(EXAMPLES_DIR, dir.path_of("examples").c_str()), 0);
#endif
    for (const transcript_step& step : steps) {
        std::string expected = step.output;
#if defined(_WIN32)
        if (std::any_of(kPosixOnly.begin(), kPosixOnly.end(), [&](const auto& p) { return p.first == step.command; }))
            continue;
        // grep -o prints what it matched, without the line's end.
        const bool matches_only = step.command.find("| grep -o ") != std::string::npos;
        if (runs_a_program(step.command) && !matches_only) expected = with_crlf(expected);
#endif
        const run_result r = run_shell(dir, step.command, setup);
        EXPECT_EQ(r.out, expected) << "README.md line " << step.line << ": $ " << step.command;
    }
}

}  // namespace
