// ir-ctl: the raw IR that Linux's ir-ctl receives and sends. Durations are
// "+N" (a burst; the sign may be left out) and "-N" (a gap), or the words
// "pulse N" and "space N"; a message may run over several lines, and ends at
// "# timeout N", at a "timeout N" word, at a blank line or at the end of the
// input. "carrier N" and "duty_cycle N" are skipped; a comment line just
// before a message names it.
#include "tools/forms/kit.h"

namespace {

bool read_ir_ctl(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    stream_signal s;
    // The tokens of one line; false with `error` set at one that cannot be
    // read, the rest of the line left.
    const auto read_tokens = [&](line_tokens& tokens, unsigned number) {
        for (unsigned column;;) {
            std::string_view token = tokens.next({}, column);
            if (token.empty()) return true;
            if (token == "carrier" || token == "duty_cycle") {
                tokens.next();
                continue;
            }
            if (token == "timeout") {
                tokens.next();
                end_signal(s, sink);
                continue;
            }
            bool burst = true;
            unsigned value_column = column;
            if (token == "pulse" || token == "space") {
                burst = token == "pulse";
                token = tokens.next({}, value_column);
            } else if (token[0] == '+' || token[0] == '-') {
                burst = token[0] == '+';
                token.remove_prefix(1);
                ++value_column;
            } else if (token[0] < '0' || token[0] > '9') {
                return fail(error, number, column, "expected '+N', '-N', 'pulse N' or 'space N'");
            }
            open_signal(s, number);
            std::vector<std::uint32_t>& d = s.signal.durations;
            const bool burst_expected = d.size() % 2 == 0;
            if (burst != burst_expected)
                return fail(error, number, column,
                            burst_expected ? "a gap where a burst must be" : "a burst where a gap must be");
            std::uint32_t value;
            if (!read_duration(token, number, value_column, 1, value, error)) return false;
            d.push_back(value);
        }
    };
    const bool read = for_each_line(source, [&](text_line line) {
        std::string_view content = line.text;
        const std::size_t hash = content.find('#');
        const std::string_view comment = hash == std::string_view::npos ? "" : trimmed(content.substr(hash + 1));
        content = content.substr(0, hash);
        if (trimmed(content).empty()) {
            if (hash == std::string_view::npos || comment.substr(0, 7) == "timeout")
                end_signal(s, sink);  // a blank line, or the timeout
            else if (!s.open)
                s.name = comment_name(line.text.substr(hash));
            return true;
        }
        line_tokens tokens{content};
        if (!read_tokens(tokens, line.number) && !s.skipping) {
            // The rest of the line, and of the message, is left out with it.
            s.skipping = s.open;
            if (!sink.skip(error)) return false;
        }
        if (comment.substr(0, 7) == "timeout") end_signal(s, sink);
        return true;
    });
    if (read) end_signal(s, sink);
    return read;
}

// Plainly ir-ctl: the first token of signal is "+N" followed by "-N".
bool recognise_ir_ctl(std::string_view text) {
    line_tokens tokens{first_content_line(text)};
    const std::string_view first = tokens.next(), second = tokens.next();
    return first.size() > 1 && first[0] == '+' && second.size() > 1 && second[0] == '-';
}

bool write_ir_ctl(const ir_signal& s, const write_settings&, std::string& text, std::string&) {
    append_name_comment(text, s.name);
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        text += i == 0 ? "+" : i % 2 == 0 ? " +" : " -";
        append_decimal(text, s.durations[i]);
    }
    text += "\n\n";
    return true;
}

}  // namespace

extern const signal_form kIrCtlForm{
    "ir-ctl",
    read_ir_ctl,
    recognise_ir_ctl,
    nullptr,
    write_ir_ctl,
    0,
    "'+N -N +N ...' or 'pulse N'/'space N', a signal ending at '# timeout N' or a blank line",
    ".ir-ctl"};
