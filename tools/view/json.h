// The decoders' readings as JSON Lines, for scripts: one object per record
// and decoder, every value what tavlin decided and prints.
#pragma once

#include <string>

#include "tools/view/readings.h"

// The version of the objects' fields.
constexpr unsigned kJsonVersion = 1;

// Appends `text` as a JSON string, escaped so that the line stays valid
// JSON and UTF-8.
void append_json_string(std::string& out, std::string_view text);

// Appends the objects of one record, one line each, a decoder after the
// other in the order of `profiles`.
void append_json_record(std::string& text, profile_list profiles, const record_readings& r);
