// The mode table: which passes a mode runs, and in which order.
#pragma once

#include <cstdint>

#include "passes/pass.h"

// Runs the passes of `mode` over the whole image; their output is that of
// the passes one after the other. Modes outside -1 to 3 run nothing.
void run_mode(std::int32_t mode, const capture_image& image, out_writer& out, bool verbose);
