// Reading the command line: TAVLIN FILE [MODE [ANY...]].
#pragma once

#include <cstdint>

struct run_options {
    const char* path = nullptr;
    bool mode_given = false;  // a mode element is present
    std::int32_t mode = -1;   // -1 (the default passes) when no mode is given
    bool verbose = false;     // any element after the mode switches it on
};

// The mode text read as atoi reads it: leading white space, an optional sign,
// then decimal digits up to the first other character (none gives 0). The
// value wraps modulo 2^32 with no overflow check, so "4294967295" reads as -1
// and "4294967296" as 0.
std::int32_t parse_mode(const char* text);

// Needs argc >= 2; the caller prints the usage text otherwise.
run_options read_arguments(int argc, char** argv);
