// Command-line reading.
#include "app/arguments.h"

namespace {

bool is_atoi_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::int32_t parse_mode(const char* text) {
    while (is_atoi_space(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    // Unsigned arithmetic wraps modulo 2^32 by definition; the conversion to
    // a signed value is then the two's-complement reading of the bit pattern.
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<std::uint32_t>(*text - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

run_options read_arguments(int argc, char** argv) {
    run_options options;
    options.path = argv[1];
    if (argc > 2) {
        options.mode_given = true;
        options.mode = parse_mode(argv[2]);
        options.verbose = argc > 3;
    }
    return options;
}
