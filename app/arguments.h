// Reading the command line: TAVLIN FILE [MODE [ANY...]].
#pragma once

#include <cstdint>

struct run_options {
    const char* path = nullptr;
    bool mode_given = false;  // a mode element is present
    std::int32_t mode = -1;   // -1 (the default passes) when no mode is given
    bool verbose = false;     // any element after the mode switches it on
};

// Needs argc >= 2; the caller prints the usage text otherwise.
run_options read_arguments(int argc, char** argv);
