// The mode table: which passes a mode runs, and in which order.
#pragma once

#include <cstdint>

#include "passes/pass.h"

// Runs the passes of `mode` one after the other over the whole image. Modes
// outside -1 to 3 run nothing.
void run_mode(std::int32_t mode, const capture_image& image, out_writer& out, bool verbose);
