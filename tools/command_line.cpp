// Reading the companions' command lines.
#include "tools/command_line.h"

#include <cstdio>

std::string read_command_line(int argc, char** argv, const std::vector<option_spec>& known, command_line& line) {
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
        const option_spec* spec = nullptr;
        for (const option_spec& s : known)
            if (s.name == name) spec = &s;
        std::string problem;
        if (spec == nullptr)
            problem = "unknown option " + std::string(name);
        else if (!spec->takes_value && equals != std::string_view::npos)
            problem = std::string(name) + " takes no value";
        else if (!spec->takes_value)
            line.options.push_back({spec->name, nullptr});
        else if (equals != std::string_view::npos)
            line.options.push_back({spec->name, argv[i] + equals + 1});
        else if (i + 1 < argc)
            line.options.push_back({spec->name, argv[++i]});
        else
            problem = std::string(name) + " needs a value";
        if (error.empty()) error = problem;
    }
    return line.help || line.version ? std::string() : error;
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
