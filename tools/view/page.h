// The viewer's page: one self-contained HTML file (inline SVG and CSS, no
// script, nothing fetched), the same for the same capture and options.
//   - the comparison tables, one per decoder (tools/view/table.h);
//   - per record, its signal as a strip, bursts (odd words) high and gaps
//     (even words) low, widths to scale, long durations drawn broken with
//     their value, each word's index and value on hover; under it, for each
//     decoder, what it read: the reference R, the thresholds Tb and Te as
//     values and as scale marks, each pair shaded by its bit, the groups with
//     their hex, the bits of an unfinished group, where and why the frame
//     ended, and, for SONY, the long gap or why there is none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/view/readings.h"

struct page_facts {
    std::string capture_name;  // as given on the command line
    std::uint64_t capture_bytes;
    std::uint64_t record_count;    // in the capture
    std::uint64_t left_out;        // records of the list not shown
    const record_readings* base;  // the base of the comparison, or nullptr
    const struct workbench* bench;  // the shown records' workbench (tools/view/compare.h), or nullptr
};

// Appends the page for `records` to `html`.
void write_page(const page_facts& facts, profile_list profiles,
                const std::vector<record_readings>& records, std::string& html);
