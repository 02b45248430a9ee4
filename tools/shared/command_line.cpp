// Reading the companions' command lines.
#include "tools/shared/command_line.h"

#include <cstdio>

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

int take_command_line(const char* tool, std::string_view help, int argc, char** argv,
                      const std::vector<option_rule>& known, command_line& line) {
    const std::string error = read_command_line(argc, argv, known, line);
    if (line.help) {
        std::fwrite(help.data(), 1, help.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (line.version) return print_version(tool);
    if (!error.empty()) return usage_error(tool, error);
    return -1;
}

int usage_error(const char* tool, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", tool, message.c_str(), tool);
    return 2;
}

int print_version(const char* tool) {
    std::printf("%s %s\n", tool, TAVLIN_VERSION);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

int fail(const char* tool, const std::string& message, int status) {
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    return status;
}

void warn(const char* tool, const std::string& message) { std::fprintf(stderr, "%s: %s\n", tool, message.c_str()); }
