// The MITSUBISHI pass.
#pragma once

#include "passes/pass.h"

void decode_mitsubishi(const capture_image& image, out_writer& out, bool verbose);
