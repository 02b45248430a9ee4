// ir-ctl: the raw IR that Linux's ir-ctl receives and sends. Durations are
// "+N" (a burst; the sign may be left out) and "-N" (a gap), or the words
// "pulse N" and "space N"; a message may run over several lines, and ends at
// "# timeout N", at a "timeout N" word, at a blank line or at the end of the
// input. "carrier N" and "duty_cycle N" are skipped.
#include "tools/forms/kit.h"

namespace {

bool read_ir_ctl(std::string_view text, const read_settings&, read_result& result, import_error& error) {
    bool open = false;
    const auto end_signal = [&] { open = false; };
    return for_each_line(text, [&](text_line line) {
        std::string_view content = line.text;
        const std::size_t hash = content.find('#');
        const std::string_view comment = hash == std::string_view::npos ? "" : content.substr(hash + 1);
        content = content.substr(0, hash);
        if (trimmed(content).empty() && hash == std::string_view::npos) {
            end_signal();  // a blank line
            return true;
        }
        line_tokens tokens{content};
        for (unsigned column;;) {
            std::string_view token = tokens.next({}, column);
            if (token.empty()) break;
            if (token == "carrier" || token == "duty_cycle") {
                tokens.next();
                continue;
            }
            if (token == "timeout") {
                tokens.next();
                end_signal();
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
                return fail(error, line.number, column, "expected '+N', '-N', 'pulse N' or 'space N'");
            }
            const bool burst_expected = !open || result.signals.back().durations.size() % 2 == 0;
            if (burst != burst_expected)
                return fail(error, line.number, column,
                            burst_expected ? "a gap where a burst must be" : "a burst where a gap must be");
            std::uint32_t value;
            if (!read_duration(token, line.number, value_column, 1, value, error)) return false;
            if (!open) result.signals.push_back(ir_signal{"", line.number, {}, 0});
            result.signals.back().durations.push_back(value);
            open = true;
        }
        if (trimmed(comment).substr(0, 7) == "timeout") end_signal();
        return true;
    });
}

// Plainly ir-ctl: the first token of signal is "+N" followed by "-N".
bool recognise_ir_ctl(std::string_view text) {
    line_tokens tokens{first_content_line(text)};
    const std::string_view first = tokens.next(), second = tokens.next();
    return first.size() > 1 && first[0] == '+' && second.size() > 1 && second[0] == '-';
}

bool write_ir_ctl(const ir_signal& s, const write_settings&, std::string& text, std::string&) {
    text += "# ";
    append_escaped(text, s.name);
    text += '\n';
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        text += i == 0 ? "+" : i % 2 == 0 ? " +" : " -";
        append_decimal(text, s.durations[i]);
    }
    text += "\n\n";
    return true;
}

}  // namespace

extern const signal_form kIrCtlForm{"ir-ctl", read_ir_ctl, recognise_ir_ctl, nullptr, write_ir_ctl, 0,
                              "'+N -N +N ...' or 'pulse N'/'space N', a signal ending at '# timeout N' or a blank line"};
