// The KANDEN pass.
#pragma once

#include "passes/frame_slicer.h"

extern const format_profile kKanden;

int decode_kanden(capture_image& image, out_writer& out, bool verbose);
