// Reading the command line: TAVLIN FILE [MODE [ANY...]].
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct run_options {
    const native_char* path = nullptr;
    bool mode_given = false;  // a mode element is present
    std::int32_t mode = -1;   // -1 (the default passes) when no mode is given
    bool verbose = false;     // any element after the mode switches it on
};

// Needs argc >= 2; the caller prints the usage text otherwise.
run_options read_arguments(int argc, native_char** argv);
