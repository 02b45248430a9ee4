// Building blocks for the format passes' golden tests: frames written as the
// bits they carry, the worked example records and their lines, and frame
// lines of zero bits.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "passes/frame_slicer.h"

// One pair per bit, in printed order: "first zero" for a 0, "first one" for a
// 1. Blanks in `bits` are ignored.
std::string pairs(std::string_view first, std::string_view zero, std::string_view one, std::string_view bits);

// KANDEN 0x02 0x20, MITSUBISHI 0x4A 0xC1, and SONY three copies of 1010 1001
// 0000 separated by 0x20000 gaps (the first in word 26), and the lines their
// decoders print for them as record 1.
extern const std::string kKandenRecord;
extern const std::string kMitsubishiRecord;
extern const std::string kSonyRecord;
extern const std::string kKandenLine;
extern const std::string kMitsubishiLine;
extern const std::string kSonyLine;

// One record that the dump shows and that no format pass prints anything
// for, and its dump line.
extern const char* const kDumpOnly;
extern const std::string kDumpLine;

// The column headers, as the passes print them (their columns are checked
// once, in frames_test.cpp).
extern const std::string kKandenHeader;
extern const std::string kMitsubishiHeader;
extern const std::string kSonyHeader;

// The line of a frame of `bits` zero bits of record `record` under `profile`,
// with the verbose `tail` (": ..." or empty) before its line end.
std::string zero_frame(const format_profile& profile, unsigned record, unsigned bits, const std::string& tail);

// A KANDEN frame of `bytes` in microseconds (header 3500 1750, bursts of
// 435, a 0 gap 435 and a 1 gap 1300, then a stop burst), and the line
// tavlin prints for it as record `record` (from byte `first` of it).
std::string kanden_durations(const std::vector<unsigned>& bytes);
std::string kanden_line(unsigned record, const std::vector<unsigned>& bytes, std::size_t first = 0);
