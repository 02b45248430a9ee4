#include "tests/harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/writer.h"
#include "tools/description.h"

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

scratch_dir::scratch_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavlin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
}

scratch_dir::~scratch_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string scratch_dir::path_of(std::string_view name) const { return path + "/" + std::string(name); }

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

void scratch_dir::write_capture(std::string_view name, std::string_view description) const {
    write_bytes(name, capture_bytes(description));
}

void scratch_dir::write_bytes(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_of(name), std::ios::binary);
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

namespace {

run_result run_program(const std::string& program, bool wrapped, const scratch_dir& dir,
                       const std::vector<std::string>& args, const run_setup& setup) {
    const std::string out_path = setup.stdout_path.empty() ? dir.path_of(".stdout") : setup.stdout_path;
    const std::string err_path = dir.path_of(".stderr");
    int feed[2], caught[2] = {-1, -1};
    if (pipe(feed) != 0) std::abort();
    const bool cut = !setup.cut_path.empty();
    if (cut && (pipe(caught) != 0 || fcntl(caught[0], F_SETPIPE_SZ, 4096) < 0)) std::abort();

    std::vector<std::string> words;
    if (const char* wrapper = std::getenv("TAVLIN_WRAPPER"); wrapper != nullptr && wrapped) {
        std::istringstream split(wrapper);
        for (std::string word; split >> word;) words.push_back(word);
    }
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || chdir(dir.path.c_str()) != 0) _exit(127);
        dup2(feed[0], 0);
        dup2(cut ? caught[1] : out, 1);
        dup2(err, 2);
        close(feed[1]);
        if (cut) close(caught[0]);
        if (setup.stdout_closed) close(1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(feed[0]);
    if (!setup.stdin_text.empty()) {
        ssize_t n = write(feed[1], setup.stdin_text.data(), setup.stdin_text.size());
        (void)n;
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
    int wait_status = 0;
    waitpid(child, &wait_status, 0);

    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    if (setup.stdout_path.empty() && !cut) result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

}  // namespace

run_result run_tavlin(const scratch_dir& dir, const std::vector<std::string>& args, const run_setup& setup) {
    return run_program(TAVLIN_BINARY, true, dir, args, setup);
}

run_result run_mkcapture(const scratch_dir& dir, const std::vector<std::string>& args) {
    return run_program(MKCAPTURE_BINARY, false, dir, args, {});
}

void check_golden(const golden_case& c) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    if (c.capture) dir.write_capture("cap.dat", *c.capture);
    run_result r = run_tavlin(dir, c.args);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.status, c.status);
}

std::string file_note(unsigned long long size) { return "Input File cap.dat :" + std::to_string(size) + " \n"; }

std::string golden_name(const ::testing::TestParamInfo<golden_case>& info) {
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

TEST_P(Golden, MatchesWholeOutput) { check_golden(GetParam()); }

std::string notes(int argc, unsigned records) {
    return (argc > 2 ? "argc=" + std::to_string(argc) + "\n" : std::string()) + file_note(1024 + 2048ull * records);
}
