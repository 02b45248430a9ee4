// The companions' command lines, read one way: long options as --name VALUE
// or --name=VALUE, -h or --help and --version anywhere, "--" ending the
// options, and "-" an operand (standard input or output).
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct option_rule {
    std::string_view name;  // with its dashes: "--from"
    bool takes_value;
};

struct given_option {
    std::string_view name;
    const char* value;  // nullptr for an option without a value
};

struct command_line {
    std::vector<given_option> options;  // in the order given
    std::vector<const char*> operands;
    bool help = false;
    bool version = false;
};

// Reads argv against the tool's options. Returns an error text (an unknown
// option, a missing value), empty when the line is well formed.
std::string read_command_line(int argc, char** argv, const std::vector<option_rule>& known, command_line& line);

// Reads a companion's command line into `line`: prints `help` for -h or
// --help, the version for --version, or a usage error. Returns -1 to go on,
// or the status to end with.
int take_command_line(const char* tool, std::string_view help, int argc, char** argv,
                      const std::vector<option_rule>& known, command_line& line);

// Prints "TOOL: MESSAGE" and the hint to --help to standard error; returns
// the usage status, 2.
int usage_error(const char* tool, const std::string& message);

// Prints "TOOL VERSION" to standard output; returns 0.
int print_version(const char* tool);

// Prints "TOOL: MESSAGE" to standard error; returns `status`.
int fail(const char* tool, const std::string& message, int status);

// Prints "TOOL: MESSAGE" to standard error, as a warning.
void warn(const char* tool, const std::string& message);
