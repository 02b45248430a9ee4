// The MITSUBISHI pass.
#pragma once

#include "passes/frame_slicer.h"

extern const format_profile kMitsubishi;

int decode_mitsubishi(capture_image& image, out_writer& out, bool verbose);
