// Command-line reading.
#include "app/arguments.h"

#include <cstddef>

#include "passes/modes.h"

namespace {

[[maybe_unused]] const char* mode_text(const char* element) { return element; }

// A UTF-16 element is read as its ASCII characters: any other one ends the
// number, as it would in the element's bytes. A command line holds at most
// 32767 characters, so the text always fits.
[[maybe_unused]] const char* mode_text(const wchar_t* element) {
    static char text[32768];
    std::size_t n = 0;
    for (; element[n] != 0 && n + 1 < sizeof text; ++n)
        text[n] = element[n] < 0x80 ? static_cast<char>(element[n]) : '?';
    text[n] = '\0';
    return text;
}

}  // namespace

run_options read_arguments(int argc, native_char** argv) {
    run_options options;
    options.path = argv[1];
    if (argc > 2) {
        options.mode_given = true;
        options.mode = parse_mode(mode_text(argv[2]));
        options.verbose = argc > 3;
    }
    return options;
}
