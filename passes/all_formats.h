// The default mode: the KANDEN, MITSUBISHI and SONY passes, whose output is
// the three passes' output one after the other.
#pragma once

#include "passes/pass.h"

void decode_all_formats(const capture_image& image, out_writer& out, bool verbose);
