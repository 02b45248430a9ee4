// Building blocks for the format passes' golden tests: frames written as the
// bits they carry, the worked example records and their lines, and frame
// lines of zero bits.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "passes/formats.h"
#include "passes/frame_slicer.h"

// One pair per bit, in printed order: "first zero" for a 0, "first one" for a
// 1. Blanks in `bits` are ignored.
std::string pairs(std::string_view first, std::string_view zero, std::string_view one, std::string_view bits);

// The constants are inline, defined here: the test tables of other files
// are made from them as the program starts, and an inline constant defined
// before them is made first, whatever the order the files are linked in.

// KANDEN 0x02 0x20, MITSUBISHI 0x4A 0xC1, and SONY three copies of 1010 1001
// 0000 separated by 0x20000 gaps (the first in word 26), and the lines their
// decoders print for them as record 1.
inline const std::string kKandenRecord =
    "0x2000 0xD00 0x680" + pairs("0x1A0", "0x1A0", "0x4E0", "01000000 00000100") + " 0x1A0 0x8000\n";
inline const std::string kMitsubishiRecord =
    "0x3000" + pairs("0x100", "0x300", "0x600", "01010010 10000011") + " 0x100 0x2000\n";
inline const std::string kSonyCopy = "0x960" + pairs("0x258", "0x258", "0x4B0", "1010 1001 0000");
inline const std::string kSonyRecord =
    "0x50 " + kSonyCopy + " 0x20000 " + kSonyCopy + " 0x20000 " + kSonyCopy + "\n";
inline const std::string kKandenLine = "K : [ 1] : 01000000 00000100 : 0220 \n";
inline const std::string kMitsubishiLine = "M : [ 1] : 01010010 10000011 : 4AC1 \n";
inline const std::string kSonyLine = "S : [ 1] : 1010 1001 0000 : 5 9 0 \n";

// One record that the dump shows and that no format pass prints anything
// for, and its dump line.
inline const char* const kDumpOnly = "0x123 0x456\n";
inline const std::string kDumpLine = "R : [ 1] : 00000123 00000456 \n";

// The column headers, as the passes print them (their columns are checked
// once, in frames_test.cpp).
inline const std::string kKandenHeader(kKanden.header);
inline const std::string kMitsubishiHeader(kMitsubishi.header);
inline const std::string kSonyHeader(kSony.header);

// The line of a frame of `bits` zero bits of record `record` under `profile`,
// with the verbose `tail` (": ..." or empty) before its line end.
std::string zero_frame(const format_profile& profile, unsigned record, unsigned bits, const std::string& tail);

// A KANDEN frame of `bytes` in microseconds (header 3500 1750, bursts of
// 435, a 0 gap 435 and a 1 gap 1300, then a stop burst), and the line
// tavlin prints for it as record `record` (from byte `first` of it).
std::string kanden_durations(const std::vector<unsigned>& bytes);
std::string kanden_line(unsigned record, const std::vector<unsigned>& bytes, std::size_t first = 0);
