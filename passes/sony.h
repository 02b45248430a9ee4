// The SONY pass.
#pragma once

#include "passes/frame_slicer.h"

// One record: its frame starts at the first long gap among its even words;
// false at a record that ends the pass.
bool sony_record(const capture_image& image, std::uint64_t record_number, pass_state& state, out_writer& out,
                 bool verbose);

void decode_sony(const capture_image& image, out_writer& out, bool verbose);
