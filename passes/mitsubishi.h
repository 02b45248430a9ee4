// The MITSUBISHI pass.
#pragma once

#include "passes/frame_slicer.h"

// One record: its frame starts at the record's first word.
bool mitsubishi_record(const capture_image& image, std::uint64_t record_number, pass_state& state, out_writer& out,
                       bool verbose);

void decode_mitsubishi(const capture_image& image, out_writer& out, bool verbose);
