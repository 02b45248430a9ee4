// The companions' command lines, read one way: long options as --name VALUE
// or --name=VALUE, -h or --help and --version anywhere, "--" ending the
// options, and "-" an operand (standard input or output).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/shared/problem.h"

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

// Reads a companion's command line into `line`. Answers -h or --help with
// `help` and --version with the version on standard output, and returns how
// the run ends then: with success, or with a failed write. A line that is not
// well formed is a usage error. Returns nothing when the run goes on.
std::optional<problem> take_command_line(const char* tool, std::string_view help, int argc, char** argv,
                                         const std::vector<option_rule>& known, command_line& line);

// A line of a help text: "  " and `label`, then `text` from `column` on,
// folded at word boundaries into lines of at most 79 characters, each
// further line indented to the column.
std::string help_line(std::string_view label, std::size_t column, std::string_view text);

// An option's line of a help text: the text from column 20.
inline std::string help_option(std::string_view option, std::string_view text) {
    return help_line(option, 20, text);
}
