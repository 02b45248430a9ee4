// The raw record dump (mode 0).
#pragma once

#include "passes/pass.h"

// One line per record: "R : [%2X] : ", then each word up to the record's first
// 0 (at most all 512) as "%08X ", then the line end.
int dump_records(capture_image& image, out_writer& out);
