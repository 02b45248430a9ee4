// Capture files from plain-text descriptions, for tests, examples and
// benchmarks. The description language is the text of kCaptureTextHelp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

extern const char* const kCaptureTextHelp;

// Builds the capture file's bytes from a description. On a malformed line,
// returns false with `error` as "line N: what is wrong".
bool capture_from_text(std::string_view text, std::string& capture, std::string& error);

// Reads an unsigned decimal or 0x-hexadecimal number no greater than `limit`.
std::optional<std::uint64_t> read_number(std::string_view text, std::uint64_t limit);
