// How a companion ends: the exit statuses in one table, and one problem type
// (a status and what to say) that every step returns and one place prints.
#pragma once

#include <string>

constexpr int kStatusSuccess = 0;
constexpr int kStatusFailure = 1;  // an input that cannot be read or used, an output that cannot be written
constexpr int kStatusUsage = 2;    // a command line, or a choice of files, that cannot be carried out
constexpr int kStatusPartial = 3;  // the outputs were written, but entries of the input were left out

struct problem {
    int status = kStatusSuccess;
    std::string message;     // empty on success
    bool hint_help = false;  // the message is followed by the hint to --help

    bool failed() const { return status != kStatusSuccess; }
};

// A failure of the run: status 1.
problem failure(std::string message);

// A bad command line: status 2, with the hint to --help.
problem usage_error(std::string message);

// Files that must not be used as asked (an output that is the input, binary
// data to a terminal): status 2, without the hint.
problem refusal(std::string message);

// The one place a companion's problem is printed: "TOOL: MESSAGE" on
// standard error (nothing on success), then the hint when it has one.
// Returns the exit status.
int report(const char* tool, const problem& p);

// Prints "TOOL: MESSAGE" to standard error, as a warning.
void warn(const char* tool, const std::string& message);

// The companion that runs, for warnings of the shared room: named once, by
// start_companion.
const char* tool_name();
void set_tool_name(const char* tool);
