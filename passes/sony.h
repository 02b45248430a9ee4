// The SONY pass.
#pragma once

#include "passes/pass.h"

void decode_sony(const capture_image& image, out_writer& out, bool verbose);
