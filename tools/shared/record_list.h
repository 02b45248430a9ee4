// Lists of records on the companions' command lines, "1-1F,23,40-": record
// numbers as tavlin prints them (hexadecimal, with or without 0x), single or
// in ranges, a range without an end running to the last record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct record_range {
    std::uint64_t first;
    std::uint64_t last;  // UINT64_MAX: to the last record
};

// A record number as tavlin prints it: hexadecimal, uppercase, no padding.
std::string record_number_text(std::uint64_t number);

// Reads a list into ranges sorted and merged. Returns an error text, empty
// when the list is well formed.
std::string read_record_list(std::string_view text, std::vector<record_range>& ranges);

// Calls `each(number)` for the records of `ranges` among records 1 to
// `count`, in order, until it returns false; returns false when it did. No
// list of the numbers is made, however many there are.
template <class Each>
bool for_each_listed(const std::vector<record_range>& ranges, std::uint64_t count, Each each) {
    for (const record_range& r : ranges) {
        if (r.first > count) break;
        const std::uint64_t last = r.last < count ? r.last : count;
        for (std::uint64_t n = r.first;; ++n) {
            if (!each(n)) return false;
            if (n == last) break;
        }
    }
    return true;
}

// The records of `ranges` among records 1 to `count`, in order, at most
// `most` of them; `left_out` counts those of the list past `most`.
std::vector<std::uint64_t> listed_records(const std::vector<record_range>& ranges, std::uint64_t count,
                                          std::uint64_t most, std::uint64_t& left_out);

// The first number of `ranges` past `count` records, or 0; a range without
// an end is past them when its first record is.
std::uint64_t first_past(const std::vector<record_range>& ranges, std::uint64_t count);
