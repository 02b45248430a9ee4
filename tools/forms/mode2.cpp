// mode2: the lines of Linux's mode2, "pulse N", "space N" and "timeout N" in
// microseconds. A space over 100 ms ends a signal as its last gap; a
// timeout ends it too. Spaces before the first pulse are idle time, and a
// comment line just before a signal names it. The lines mode2
// prints before its first pulse (the driver and device it uses) are skipped,
// and so are "carrier N" lines.
#include "tools/forms/kit.h"

namespace {

bool is_keyword(std::string_view word) {
    return word == "pulse" || word == "space" || word == "timeout" || word == "carrier";
}

bool read_mode2(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    bool started = false;  // a pulse, space, timeout or carrier line has come
    stream_signal s;
    // One line; false with `error` set for one that cannot be read.
    const auto read_line = [&](text_line line) {
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
        std::vector<std::uint32_t>& d = s.signal.durations;
        if (kind == "pulse") {
            open_signal(s, line.number);
            if (d.size() % 2 == 1) return fail(error, line.number, column, "a pulse where a space must be");
            d.push_back(value);
        } else if (s.open && kind != "carrier") {
            // A long space ends the signal as its last gap; a timeout ends it.
            if (kind == "space") d.push_back(value);
            if (kind == "timeout" || value > kSignalGap) end_signal(s, sink);
        }
        return true;
    };
    const bool read = for_each_line(source, [&](text_line line) {
        if (is_blank_or_comment(line.text)) {
            if (!s.open) s.name = comment_name(line.text);
            return true;
        }
        if (read_line(line) || s.skipping) return true;
        s.skipping = s.open;  // the rest of a signal is left out with it
        return sink.skip(error);
    });
    if (read) end_signal(s, sink);
    return read;
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
    append_name_comment(text, s.name);
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        text += i % 2 == 0 ? "pulse " : "space ";
        append_decimal(text, s.durations[i]);
        text += '\n';
    }
    // The timeout ends the signal on reading, whatever its last gap.
    text += "timeout ";
    append_decimal(text, kLeadOut);
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kMode2Form{
    "mode2",
    read_mode2,
    recognise_mode2,
    nullptr,
    write_mode2,
    0,
    "lines 'pulse N', 'space N', 'timeout N' (a space over 100 ms or a timeout ends a signal)",
    ".mode2"};
