// The comparison table.
#include "tools/view/table.h"

#include "tools/shared/record_list.h"
#include "tools/shared/text_input.h"

namespace {

// What a row adds when records before it were not read: whether the walk
// gets to it is not known.
std::string unknown_reach(const format_profile& p, const decoder_reading& d) {
    if (d.reach_known) return "";
    return "  (if the " + std::string(p.name) + " walk gets here: records before were not read)";
}

// What a row says for a decoder that printed no bits.
std::string no_bits_text(const format_profile& p, const decoder_reading& d) {
    const std::string walk = "the " + std::string(p.name) + " walk";
    if (!d.reached) return "(not decoded: " + walk + " stopped at an earlier record)";
    if (ends_walk(d))
        return "(" + std::string(p.walk_end) + ": " + walk + " stops here" +
               (d.reach_known ? ")" : " if it gets here; records before were not read)");
    return "(no frame: its first pair ends it)" + unknown_reach(p, d);
}

// The text after the record prefix, without the line end: the bits, then
// the groups.
std::string row_text(const format_profile& p, const decoder_reading& d) {
    if (d.line.empty()) return no_bits_text(p, d);
    std::string text = d.line.substr(d.prefix_size);
    if (text.back() == '\n') text.pop_back();
    if (d.record.frame.group_count == 0) text += "  (no whole group)";
    return text + unknown_reach(p, d);
}

// The frame's bits without the spaces between groups; a row's text starts
// with them.
std::string bits_only(const decoder_reading& d) {
    std::string bits;
    for (const char c : d.bits)
        if (c != ' ') bits += c;
    return bits;
}

}  // namespace

std::string row_labels(const table_row& row) {
    if (row.first_label == row.last_label) return row.first_label;
    return (row.first_label.empty() ? "-" : row.first_label) + " .. " + (row.last_label.empty() ? "-" : row.last_label);
}

comparison_table start_table(const format_profile& profile, std::size_t decoder, const record_readings* base) {
    comparison_table table;
    table.profile = &profile;
    table.decoder = decoder;
    table.fixed_reference = base != nullptr;
    table.have_reference = base != nullptr;
    if (base != nullptr) table.reference = bits_only(base->decoders[decoder]);
    return table;
}

void add_to_table(comparison_table& table, const record_readings& r) {
    std::vector<table_row>& rows = table.rows;
    const decoder_reading& d = r.decoders[table.decoder];
    std::string text = row_text(*table.profile, d);
    if (!rows.empty() && rows.back().text == text && rows.back().fits == d.fits && rows.back().last + 1 == r.number) {
        rows.back().last = r.number;
        rows.back().last_label = r.label;
        return;
    }
    table_row row{r.number, r.number, std::move(text), !d.line.empty(), d.fits, {}, r.label, r.label};
    row.changed.assign(row.text.size(), false);
    if (row.has_bits) {
        std::size_t n = 0;  // bits compared so far
        for (std::size_t i = 0; i < d.bits.size() && table.have_reference; ++i) {
            if (d.bits[i] == ' ') continue;
            row.changed[i] = n >= table.reference.size() || d.bits[i] != table.reference[n];
            ++n;
        }
        if (!table.fixed_reference) {
            table.reference = bits_only(d);
            table.have_reference = true;
        }
    }
    rows.push_back(std::move(row));
}

std::vector<table_row> table_rows(const std::vector<record_readings>& records, const format_profile& profile,
                                  std::size_t decoder, const record_readings* base) {
    comparison_table table = start_table(profile, decoder, base);
    for (const record_readings& r : records) add_to_table(table, r);
    return std::move(table.rows);
}

std::string table_text(const std::vector<table_row>& rows) {
    std::string text;
    for (const table_row& row : rows) {
        std::string records = record_number_text(row.first);
        if (row.last != row.first) {
            records += '-';
            records += record_number_text(row.last);
        }
        const std::string margin =
            std::string(records.size() < 12 ? 12 - records.size() : 0, ' ') + records + (row.fits ? " * " : "   ");
        const std::string labels = row_labels(row);
        text += margin + row.text + (labels.empty() ? "" : "  # " + terminal_text(labels)) + "\n";
        std::string marks(margin.size(), ' ');
        bool any = false;
        for (std::size_t i = 0; i < row.text.size(); ++i) {
            marks += row.changed[i] ? '^' : ' ';
            any = any || row.changed[i];
        }
        while (!marks.empty() && marks.back() == ' ') marks.pop_back();
        if (any) text += marks + "\n";
    }
    return text;
}
