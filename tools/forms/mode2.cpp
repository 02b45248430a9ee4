// mode2: the lines of Linux's mode2, "pulse N", "space N" and "timeout N" in
// microseconds. A space longer than the split gap, or a timeout, ends a
// signal; spaces before the first pulse are idle time. The lines mode2
// prints before its first pulse (the driver and device it uses) are skipped,
// and so are "carrier N" lines.
#include "tools/forms/kit.h"

namespace {

bool is_keyword(std::string_view word) {
    return word == "pulse" || word == "space" || word == "timeout" || word == "carrier";
}

bool read_mode2(std::string_view text, const read_settings& settings, read_result& result, import_error& error) {
    bool started = false;  // a pulse, space, timeout or carrier line has come
    bool open = false;     // a signal has begun and not ended
    return for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        line_tokens tokens{line.text};
        unsigned column, value_column, extra_column;
        const std::string_view kind = tokens.next({}, column);
        if (!started && !is_keyword(kind)) return true;  // the banner
        started = true;
        const std::string_view value_text = tokens.next({}, value_column);
        if (!is_keyword(kind) || !tokens.next({}, extra_column).empty())
            return fail(error, line.number, column, "expected 'pulse N', 'space N', 'timeout N' or 'carrier N'");
        std::uint32_t value;
        if (!read_duration(value_text, line.number, value_column, 1, value, error)) return false;
        if (kind == "carrier") return true;
        if (kind == "pulse") {
            if (!open) result.signals.push_back(ir_signal{"", line.number, {}, 0});
            std::vector<std::uint32_t>& d = result.signals.back().durations;
            if (open && d.size() % 2 == 1) return fail(error, line.number, column, "a pulse where a space must be");
            d.push_back(value);
            open = true;
        } else if (open) {
            // A long space or a timeout ends the signal; the gap between
            // signals belongs to neither.
            if (kind == "timeout" || value > settings.split_gap) {
                open = false;
            } else {
                std::vector<std::uint32_t>& d = result.signals.back().durations;
                if (d.size() % 2 == 0) return fail(error, line.number, column, "a space where a pulse must be");
                d.push_back(value);
            }
        }
        return true;
    });
}

// Plainly mode2: its first line of signal is "pulse N" or "space N".
bool recognise_mode2(std::string_view text) {
    bool found = false;
    for_each_line(text, [&](text_line line) {
        line_tokens tokens{line.text};
        const std::string_view first = tokens.next();
        if (first != "pulse" && first != "space") return true;
        const std::string_view value = tokens.next();
        found = !value.empty() && value.find_first_not_of("0123456789") == std::string_view::npos;
        return false;
    });
    return found;
}

bool write_mode2(const ir_signal& s, const write_settings&, std::string& text, std::string&) {
    text += "# ";
    append_escaped(text, s.name);
    text += '\n';
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        text += i % 2 == 0 ? "pulse " : "space ";
        append_decimal(text, s.durations[i]);
        text += '\n';
    }
    // The timeout ends the signal on reading, whatever its trailing gap.
    text += "timeout ";
    append_decimal(text, kLeadOut);
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kMode2Form{"mode2", read_mode2, recognise_mode2, nullptr, write_mode2, kSplitOption,
                              "lines 'pulse N', 'space N', 'timeout N' (a long space or a timeout ends a signal)"};
