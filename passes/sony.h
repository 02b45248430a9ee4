// The SONY pass.
#pragma once

#include "passes/frame_slicer.h"

// Frames start after the first long gap among a record's even words; the pass
// ends at a record without one whose word 510 is 0.
extern const format_profile kSony;

int decode_sony(capture_image& image, out_writer& out, bool verbose);
