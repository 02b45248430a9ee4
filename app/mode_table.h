// The mode table: which passes a mode runs, and in which order.
#pragma once

#include <cstdint>

#include "passes/pass.h"

// Runs the passes of `mode` over the whole image, one after the other; modes
// outside the table run nothing. Returns 0, or the errno of a failed read of
// the file, which ends the run's passes.
int run_mode(std::int32_t mode, capture_image& image, out_writer& out, bool verbose);
