// The KANDEN pass.
#pragma once

#include "passes/pass.h"

void decode_kanden(const capture_image& image, out_writer& out, bool verbose);
