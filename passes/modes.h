// Modes: how tavlin's MODE argument is read, and which passes each mode runs.
// The decoder and the companions read modes through here alike.
#pragma once

#include <cstdint>
#include <span>

#include "passes/formats.h"

// The mode text read as atoi reads it: leading white space, an optional sign,
// then decimal digits up to the first other character (none gives 0). The
// value wraps modulo 2^32 with no overflow check, so "4294967295" reads as -1
// and "4294967296" as 0.
std::int32_t parse_mode(const char* text);

// What a mode runs: the raw dump, or these formats in turn. -1 runs every
// format, 0 the dump, N from 1 the Nth format; any other mode runs nothing.
struct mode_row {
    bool dump = false;
    std::span<const format_profile* const> formats;
};

mode_row mode_passes(std::int32_t mode);

// Runs the passes of `mode` over the whole image, one after the other.
// Returns 0, or the errno of a failed read of the file, which ends the run's
// passes.
int run_mode(std::int32_t mode, capture_image& image, out_writer& out, bool verbose);
