// Reading the companions' command lines.
#include "tools/shared/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string read_command_line(int argc, char** argv, const std::vector<option_rule>& known, command_line& line) {
    std::string error;  // the first fault; --help and --version win over it
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
            line.operands.push_back(argv[i]);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            line.help = true;
            continue;
        }
        if (arg == "--version") {
            line.version = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const option_rule* rule = nullptr;
        for (const option_rule& s : known)
            if (s.name == name) rule = &s;
        std::string problem;
        if (rule == nullptr)
            problem = "unknown option " + std::string(name);
        else if (!rule->takes_value && equals != std::string_view::npos)
            problem = std::string(name) + " takes no value";
        else if (!rule->takes_value)
            line.options.push_back({rule->name, nullptr});
        else if (equals != std::string_view::npos)
            line.options.push_back({rule->name, argv[i] + equals + 1});
        else if (i + 1 < argc)
            line.options.push_back({rule->name, argv[++i]});
        else
            problem = std::string(name) + " needs a value";
        if (error.empty()) error = problem;
    }
    return line.help || line.version ? std::string() : error;
}

namespace {

// What standard output's last writes came to.
problem standard_output_written() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return {};
    return failure(std::string("cannot write standard output: ") + std::strerror(errno));
}

}  // namespace

std::optional<problem> take_command_line(const char* tool, std::string_view help, int argc, char** argv,
                                         const std::vector<option_rule>& known, command_line& line) {
    const std::string error = read_command_line(argc, argv, known, line);
    if (line.help) {
        std::fwrite(help.data(), 1, help.size(), stdout);
        return standard_output_written();
    }
    if (line.version) {
        std::printf("%s %s\n", tool, TAVLIN_VERSION);
        return standard_output_written();
    }
    if (!error.empty()) return usage_error(error);
    return std::nullopt;
}

std::string help_line(std::string_view label, std::size_t column, std::string_view text) {
    constexpr std::size_t kWidth = 79;
    std::string help = "  " + std::string(label);
    help.append(help.size() < column ? column - help.size() : 1, ' ');
    std::size_t line_start = 0;
    bool first_word = true;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
        if (!first_word && help.size() - line_start + 1 + word.size() > kWidth) {
            help += '\n';
            line_start = help.size();
            help.append(column, ' ');
        } else if (!first_word) {
            help += ' ';
        }
        help += word;
        first_word = false;
    }
    return help + "\n";
}
