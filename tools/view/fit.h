// Which decoder's reading explains a record's signal, and what a fitting
// frame is in the notations of well-known protocols.
//
// The rule looks at the decoder's own decisions alone. A reading fits when
//   - its frame has a whole group and ends on a long duration or a 0 (not
//     at the 256th group), inside the record's signal;
//   - its bits take at least three quarters of the record's longest stretch
//     of durations with none over the decoder's Te: no longer run of signal
//     lies unread beside it (a repeat of the frame is as long as it);
//   - its bits hold both values, the durations that decided the 1-bits and
//     those that decided the 0-bits each stay within 25 % of their mean,
//     all positive, and the 1-bits' mean is at least 1.5 times the 0-bits'.
#pragma once

#include <string>
#include <vector>

#include "tools/view/readings.h"

// Sets `fits` and `fit_reason` of each decoder's reading of `r`.
void judge_fits(profile_list profiles, record_readings& r);

// The frame's bits in the order they were sent, without the spaces.
std::string sent_bits(const decoder_reading& d);

// A fitting frame in other notations, one text each: SIRC for 12, 15 and
// 20 bits of SONY; NEC or extended NEC for 32 bits and Kaseikyo for 48 bits
// of KANDEN; the bytes in sending order for KANDEN and MITSUBISHI frames.
// Nothing for a reading that does not fit.
std::vector<std::string> notations(const format_profile& profile, const decoder_reading& d);
