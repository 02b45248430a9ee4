// control-tower: the code sets that Global Caché's Control Tower database
// exports as CSV: a header row ("function, code1, hexcode1, code2,
// hexcode2"), then one function a row, its fields quoted or not, a quote
// inside quotes doubled. A row's signal is named by its function field and
// read from the first code field that holds a code: a sendir command or a
// learned Pronto code, each as its own form reads it. One row a line: a
// row broken over lines inside quotes is refused.
#include <algorithm>

#include "tools/forms/kit.h"

extern const signal_form kSendirForm, kProntoForm;

namespace {

struct csv_field {
    std::string text;
    unsigned column;  // where it starts in the line, from 1
};

// The fields of a row; false, with `error` set, for a quote that is never
// closed or text after a closing quote.
bool split_fields(text_line line, std::vector<csv_field>& fields, import_error& error) {
    const std::string_view t = line.text;
    fields.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < t.size() && is_blank(t[i])) ++i;
        csv_field f{{}, static_cast<unsigned>(i) + 1};
        if (i < t.size() && t[i] == '"') {
            for (++i;; ++i) {
                if (i >= t.size())
                    return fail(error, line.number, f.column,
                                "a quoted field not closed on its line (a row broken over lines is not read)");
                if (t[i] != '"') {
                    f.text += t[i];
                } else if (i + 1 < t.size() && t[i + 1] == '"') {
                    f.text += '"';
                    ++i;
                } else {
                    break;
                }
            }
            ++i;
            while (i < t.size() && is_blank(t[i])) ++i;
            if (i < t.size() && t[i] != ',')
                return fail(error, line.number, static_cast<unsigned>(i) + 1,
                            "text after a quoted field's closing '\"'");
        } else {
            const std::size_t end = std::min(t.find(',', i), t.size());
            f.text = std::string(trimmed(t.substr(i, end - i)));
            i = end;
        }
        fields.push_back(std::move(f));
        if (i >= t.size()) return true;
        ++i;  // the ','
    }
}

std::string lowered(std::string_view text) {
    std::string s(trimmed(text));
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool is_code_column(std::string_view name) { return name.substr(0, 4) == "code" || name.substr(0, 7) == "hexcode"; }

// The columns of a header row: the function's, then the codes' in order.
struct columns {
    bool read = false;
    std::size_t function = 0;
    std::vector<std::size_t> codes;
    std::vector<std::string> names;
};

bool read_header(const std::vector<csv_field>& fields, columns& c) {
    c = columns{};
    bool function = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string name = lowered(fields[i].text);
        if (name == "function" && !function) {
            function = true;
            c.function = i;
        } else if (is_code_column(name)) {
            c.codes.push_back(i);
            c.names.push_back(name);
        }
    }
    return c.read = function && !c.codes.empty();
}

bool read_control_tower(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    columns c;
    bool fatal = false;  // no header row: the file is refused
    std::vector<csv_field> fields;
    return for_each_entry_line(source, sink, error, fatal, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        if (!split_fields(line, fields, error)) return fatal = !c.read, false;
        if (!c.read) {
            if (read_header(fields, c)) return true;
            return fatal = true, fail(error, line.number, 1,
                                      "expected the header row, 'function' and code columns ('function, code1, "
                                      "hexcode1, ...')");
        }
        for (std::size_t k = 0; k < c.codes.size(); ++k) {
            if (c.codes[k] >= fields.size() || trimmed(fields[c.codes[k]].text).empty()) continue;
            const csv_field& code = fields[c.codes[k]];
            const std::string_view text = trimmed(code.text);
            const bool sendir = text.substr(0, 7) == "sendir,";
            const std::string in = "the " + c.names[k] + " column";
            if (!sendir && text.substr(0, 4) != "0000")
                return fail(error, line.number, code.column,
                            in + " holds neither a sendir command nor a learned Pronto code: " + quoted(text));
            std::vector<ir_signal> signals;
            import_error inner;
            if (!read_all_signals(sendir ? kSendirForm : kProntoForm, text, read_settings{}, signals, nullptr, inner))
                return fail(error, line.number, code.column, in + ": " + inner.message);
            if (signals.size() != 1) return fail(error, line.number, code.column, in + " holds no code");
            ir_signal& s = signals[0];
            s.name = c.function < fields.size() ? fields[c.function].text : std::string();
            s.line = line.number;
            sink.take(s);
            return true;
        }
        return fail(error, line.number, 0, "a row without a code");
    });
}

// Plainly a Control Tower export: its first row is the header.
bool recognise_control_tower(std::string_view text) {
    const std::string_view first = first_content_line(text);
    std::vector<csv_field> fields;
    import_error error;
    columns c;
    return split_fields(text_line{first, 1}, fields, error) && !fields.empty() &&
           lowered(fields[0].text) == "function" && read_header(fields, c);
}

}  // namespace

extern const signal_form kControlTowerForm{"control-tower",
                                           read_control_tower,
                                           recognise_control_tower,
                                           nullptr,
                                           nullptr,
                                           0,
                                           "Global Cache Control Tower CSV exports: 'function, code1, "
                                           "hexcode1, ...' rows of sendir and Pronto codes",
                                           ".csv"};
