// Many inputs in one run: the files named and those below the directories
// named, each with the name that an output of its own takes (--into DIR),
// the progress line while the run is long, and the summary's counts of what
// was left out and why.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/shared/problem.h"

struct batch_input {
    std::string path;  // as opened: the operand, or below it with '/'
    std::string name;  // below the directory named, or the file's own name
};

// The files of `operands` in order: a file as it is, a directory's files
// below it at any depth in the order of their names, hidden ones and links
// to directories left aside. Below a directory only the names that end with
// `end` are taken (empty: all). A directory that cannot be listed is taken
// as a file, so that opening it says why.
std::vector<batch_input> list_inputs(const std::vector<const char*>& operands, std::string_view end = {});

// The name of the output made from the input `name`: its end replaced by
// `new_end`. The end is the longest of `ends` that the name ends with, else
// its last extension (".txt"), else nothing.
std::string output_name(std::string_view name, const std::vector<std::string_view>& ends, std::string_view new_end);

// The path of `name` in the folder `dir`.
std::string path_in(std::string_view dir, std::string_view name);

// Makes the folders of `path` up to its last '/'; 0 or the error.
int make_folders_of(const std::string& path);

// A refusal when two inputs make the same output name (`names[i]` the
// output of `inputs[i]`) or an output is one of the inputs, before anything
// is written.
problem check_output_names(const std::vector<batch_input>& inputs, const std::vector<std::string>& outputs);

// The progress line on standard error: shown only when it is a terminal and
// the run has lasted a second, redrawn in place, cleared by the end or by a
// warning. `counted` names what the run counts beside the files ("signals"),
// nullptr when nothing.
void progress_start(const char* tool, std::uint64_t files, const char* counted);
void progress_step(std::uint64_t done, std::uint64_t signals, std::string_view name);
void progress_end();
// Takes the line off the terminal before other text is written there.
void progress_clear();

// What was left out, by reason: the reason of a message is its words before
// the first ':', ';' or '(' outside quotes, after a leading "signal 'NAME'",
// at most 80 bytes.
// At most kMostReasons reasons are told apart, the rest are "other".
struct left_out_counts {
    std::map<std::string, std::uint64_t> reasons;
    std::uint64_t total = 0;
};
constexpr std::size_t kMostReasons = 16;
void count_left_out(left_out_counts& counts, std::string_view message);

// "12 skipped: 9 protocol 'Denon' is not encoded; 3 zero duration", the
// largest count first; empty when nothing was.
std::string left_out_text(const left_out_counts& counts);
