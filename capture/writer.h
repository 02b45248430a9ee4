// Writing capture files: the header, then records as they come, through the
// buffered writer, so memory stays bounded whatever the file's size. A size
// given for the file cuts it or extends it with zeros: a hole where the file
// is a regular file, written zeros where it is a pipe or a device.
#pragma once

#include <cstdint>
#include <optional>

#include "capture/layout.h"
#include "output/writer.h"

struct capture_writer {
    out_writer* out = nullptr;
    std::uint64_t written = 0;         // bytes of the file so far, cut ones included
    std::uint64_t limit = UINT64_MAX;  // bytes past this are cut
};

// Starts a capture on `out`; `size`, when given, is the file's exact size.
capture_writer start_capture(out_writer& out, std::optional<std::uint64_t> size);

void write_header(capture_writer& capture, unsigned char fill);

// One record: `count` words (at most 512), the rest of the record 0.
void write_record(capture_writer& capture, const std::uint32_t* words, std::uint64_t count);

// Extends the file to its size, if one was given, and flushes it. Returns 0,
// or the errno of the first failed write.
int finish_capture(capture_writer& capture);
