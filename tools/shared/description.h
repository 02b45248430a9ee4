// The capture description language, mkcapture's own text form: one record
// per line, as the text of kDescriptionHelp says.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "capture/writer.h"

extern const char* const kDescriptionHelp;

// What a whole description says beyond its records.
struct description {
    unsigned char header_fill = 0;
    std::optional<std::uint64_t> size;  // the file's exact size, when a size line gives it
    std::uint64_t records = 0;
};

// Checks every line of `text`. On a malformed line, returns false with
// `error` as "line N: what is wrong".
bool read_description(std::string_view text, description& d, std::string& error);

// Calls `record(words, count)` for each record line of a description that
// read_description accepted, in order.
void for_each_record(std::string_view text, const std::function<void(const std::uint32_t*, std::uint64_t)>& record);

// Writes the capture of a description that read_description accepted: the
// header, then each record as its line is read again.
void write_description(std::string_view text, const description& d, capture_writer& capture);
