// The comparison table.
#include "tools/view/table.h"

#include "tools/shared/record_list.h"

namespace {

// What a row says for a decoder that printed no bits.
std::string no_bits_text(const decoder_decision& d) {
    if (!d.reached) return "(not decoded: the SONY walk stopped at an earlier record)";
    if (d.ends_walk) return "(no long gap and word 510 is 0: the SONY walk stops here)";
    return "(no frame: its first pair ends it)";
}

// The text after the record prefix, without the line end.
std::string row_text(const decoder_decision& d) {
    if (d.line.empty()) return no_bits_text(d);
    std::string text = d.line.substr(d.line.find("] : ") + 4);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (d.frame.group_count == 0) text += "  (no whole group)";
    if (!d.reach_known) text += "  (if the SONY walk gets here: records before were not read)";
    return text;
}

// The bits of a row's text, in order, and their places in the text.
std::string bits_of(const std::string& text, std::vector<std::size_t>* places) {
    std::string bits;
    for (std::size_t i = 0; i < text.size() && text[i] != ':' && text[i] != '('; ++i) {
        if (text[i] != '0' && text[i] != '1') continue;
        bits += text[i];
        if (places != nullptr) places->push_back(i);
    }
    return bits;
}

}  // namespace

std::vector<table_row> table_rows(const std::vector<record_decisions>& records, std::size_t decoder,
                                  const record_decisions* base) {
    std::vector<table_row> rows;
    std::string reference = base != nullptr ? bits_of(row_text(base->decoders[decoder]), nullptr) : "";
    bool have_reference = base != nullptr;
    for (const record_decisions& r : records) {
        const std::string text = row_text(r.decoders[decoder]);
        if (!rows.empty() && rows.back().text == text && rows.back().last + 1 == r.number) {
            rows.back().last = r.number;
            continue;
        }
        table_row row{r.number, r.number, text, !r.decoders[decoder].line.empty(), {}};
        row.changed.assign(text.size(), false);
        if (row.has_bits) {
            std::vector<std::size_t> places;
            const std::string bits = bits_of(text, &places);
            if (have_reference)
                for (std::size_t i = 0; i < bits.size(); ++i)
                    row.changed[places[i]] = i >= reference.size() || bits[i] != reference[i];
            if (base == nullptr) {
                reference = bits;
                have_reference = true;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string table_text(const std::vector<table_row>& rows) {
    std::string text;
    for (const table_row& row : rows) {
        std::string records = record_number_text(row.first);
        if (row.last != row.first) {
            records += '-';
            records += record_number_text(row.last);
        }
        const std::string margin = std::string(records.size() < 12 ? 12 - records.size() : 0, ' ') + records + "  ";
        text += margin + row.text + "\n";
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
