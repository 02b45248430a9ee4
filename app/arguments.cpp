// Command-line reading.
#include "app/arguments.h"

#include "passes/modes.h"

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
