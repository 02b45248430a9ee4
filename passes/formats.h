// The formats tavlin decodes, in the order of its modes: mode N runs the Nth
// format of the list; mode -1, or no mode, runs them all in turn. A format is
// a profile in a file of its own, declared and listed here.
#pragma once

#include <span>

#include "passes/frame_slicer.h"

extern const format_profile kKanden;
extern const format_profile kMitsubishi;
extern const format_profile kSony;

// The SONY format's anchor rule, which records laid out by other tools must
// respect: a mark over kLongGap among the even words 2 to kSonyLastGapWord
// is the gap before the record's frame; a record without one whose word
// kSonyLastGapWord is 0 ends the SONY walk.
constexpr std::int32_t kLongGap = 65536;
constexpr std::uint32_t kSonyLastGapWord = 510;

inline constexpr const format_profile* kFormatList[] = {&kKanden, &kMitsubishi, &kSony};

inline constexpr std::span<const format_profile* const> kFormats{kFormatList};
