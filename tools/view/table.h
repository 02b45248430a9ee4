// The comparison table of the viewer: for one decoder, a row per record with
// what tavlin prints for it after the record prefix, consecutive records
// that print the same grouped in one row, and the bits that differ from the
// row before (or from a base record) marked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/view/readings.h"

struct table_row {
    std::uint64_t first = 0, last = 0;  // the records of the row
    std::string text;                   // bits, then ": " and the groups; or what the decoder did instead
    bool has_bits = false;
    bool fits = false;          // the decoder's reading fits the row's records (tools/view/fit.h)
    std::vector<bool> changed;  // per character of `text`: a bit that differs from the reference row
    std::string first_label, last_label;  // the signals of its first and last records (record_readings::label)
};

// The labels of a row's records, as the row shows them beside its numbers:
// "power", or "power .. mute" for a row of records of different labels;
// "" when its records have none.
std::string row_labels(const table_row& row);

// A table made a record at a time, so that a long list of records needs no
// more than its rows: consecutive records that print the same share one.
struct comparison_table {
    const format_profile* profile = nullptr;
    std::size_t decoder = 0;
    std::vector<table_row> rows;
    std::string reference;  // the bits the next row is compared with
    bool have_reference = false;
    bool fixed_reference = false;  // the base record's bits, not the row before's
};

comparison_table start_table(const format_profile& profile, std::size_t decoder, const record_readings* base);

// Adds record `r`, which comes after every record added before it.
void add_to_table(comparison_table& table, const record_readings& r);

// The rows of decoder `decoder` over `records`. With `base`, bits are
// compared with the base record's; otherwise with the previous row's.
std::vector<table_row> table_rows(const std::vector<record_readings>& records, const format_profile& profile,
                                  std::size_t decoder, const record_readings* base);

// The table as text for a terminal: a line per row, '*' after the record
// numbers of a row whose reading fits its records, its labels after
// "  # " at its end (control bytes and bytes that are no UTF-8 character as
// \xNN), and under a row with changed bits a line of '^' under them.
std::string table_text(const std::vector<table_row>& rows);
