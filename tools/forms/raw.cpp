// raw: one signal a line, as IR databases store them: an optional "name:",
// then durations separated by blanks or commas, burst first, in
// microseconds (times --unit). Nothing else is taken: a line that ends with
// a separator, or lines that read as one signal cut into short lines, are
// refused, since each line would silently become a signal of its own.
#include "tools/forms/kit.h"

namespace {

// Lines that may be one signal cut into lines: unnamed lines in a row that
// all hold the same short, even count of durations (each ends on a gap, as
// whole signals rarely do). A run of two or more such lines followed by one
// of no more durations, or one followed by a shorter line, is refused.
struct cut_run {
    unsigned first_line = 0;
    std::size_t width = 0;
    unsigned lines = 0;
};

bool read_raw(std::string_view text, const read_settings& settings, read_result& result, import_error& error) {
    constexpr std::size_t kShortLine = 16;
    cut_run run;
    return for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) {
            run = cut_run{};
            return true;
        }
        ir_signal s{"", line.number, {}, 0};
        line_tokens tokens{line.text};
        if (const std::size_t colon = line.text.find(':'); colon != std::string_view::npos) {
            const std::string_view name = trimmed(line.text.substr(0, colon));
            if (name.empty()) return fail(error, line.number, colon + 1, "an empty name before ':'");
            if (name.find(',') != std::string_view::npos)
                return fail(error, line.number, 1,
                            "a name with ',' in it: " + quoted(name) +
                                (name.substr(0, 7) == "sendir," ? " (a sendir command: use --from sendir)" : ""));
            s.name = std::string(name);
            tokens.at = colon + 1;
        }
        for (unsigned column;;) {
            const std::string_view token = tokens.next(",", column);
            if (token.empty()) break;
            std::uint32_t value;
            if (!read_duration(token, line.number, column, settings.unit, value, error)) return false;
            s.durations.push_back(value);
        }
        if (s.durations.empty()) return fail(error, line.number, 0, "a signal without durations");
        const std::string_view content = trimmed(line.text);
        if (content.back() == ',')
            return fail(error, line.number, static_cast<unsigned>(line.text.rfind(',')) + 1,
                        "the line ends with ',': raw takes one signal a line (join its lines, or try --from c-array)");

        const std::size_t count = s.durations.size();
        if (s.name.empty() && run.lines > 0 && count <= run.width) {
            if (count < run.width || run.lines >= 2)
                return fail(error, 0, 0,
                            "lines " + std::to_string(run.first_line) + " to " + std::to_string(line.number) +
                                " read as one signal cut into lines of " + std::to_string(run.width) +
                                " durations: join them into one line, or read a LIRC file with --from lirc");
        }
        if (s.name.empty() && count % 2 == 0 && count <= kShortLine && (run.lines == 0 || count == run.width)) {
            if (run.lines == 0) run = cut_run{line.number, count, 0};
            ++run.lines;
        } else {
            run = cut_run{};
        }
        result.signals.push_back(std::move(s));
        return true;
    });
}

// Plainly raw: every line of signal is "[name:] N N N ..." in decimal.
bool recognise_raw(std::string_view text) {
    bool any = false;
    const bool all = for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        const std::size_t colon = line.text.find(':');
        const std::string_view durations = colon == std::string_view::npos ? line.text : line.text.substr(colon + 1);
        any = true;
        return !trimmed(durations).empty() && durations.find_first_not_of("0123456789, \t\r") == std::string_view::npos;
    });
    return any && all;
}

bool write_raw(const ir_signal& s, const write_settings&, std::string& text, std::string&) {
    // A name may hold neither ':' nor ','.
    for (const char c : s.name) text += c == ':' || c == ',' || c == '\n' ? '_' : c;
    text += ':';
    append_durations(text, s.durations, " ");
    text += '\n';
    return true;
}

}  // namespace

const signal_form kRawForm{"raw", read_raw, recognise_raw, nullptr, write_raw, kUnitOption};
