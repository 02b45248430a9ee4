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

// The name before a line's durations: "name:", or a quoted name and ':'
// (a name with ':' or ',' in it, or one that would not read back as it
// is). `at` ends where the durations start; `named` says whether there was
// a name.
bool read_name(text_line line, ir_signal& s, bool& named, std::size_t& at, import_error& error) {
    at = 0;
    named = false;
    while (at < line.text.size() && is_blank(line.text[at])) ++at;
    if (at < line.text.size() && line.text[at] == '"') {
        if (!read_quoted(line.text, line.number, at, s.name, error)) return false;
        while (at < line.text.size() && is_blank(line.text[at])) ++at;
        if (at >= line.text.size() || line.text[at] != ':')
            return fail(error, line.number, static_cast<unsigned>(at) + 1, "expected ':' after the quoted name");
        named = true;
        ++at;
        return true;
    }
    at = 0;
    const std::size_t colon = line.text.find(':');
    if (colon == std::string_view::npos) return true;
    const std::string_view name = trimmed(line.text.substr(0, colon));
    if (name.empty()) return fail(error, line.number, colon + 1, "an empty name before ':'");
    if (name.find(',') != std::string_view::npos)
        return fail(error, line.number, 1,
                    "a name with ',' in it: " + quoted(name) +
                        (name.substr(0, 7) == "sendir," ? " (a sendir command: use --from sendir)" : ""));
    s.name = std::string(name);
    named = true;
    at = colon + 1;
    return true;
}

bool read_raw(text_source& source, const read_settings& settings, signal_sink& sink, import_error& error) {
    constexpr std::size_t kShortLine = 16;
    cut_run run;
    bool cut = false;  // lines that read as one signal cut into lines: the file is refused
    return for_each_entry_line(source, sink, error, cut, [&](text_line line) {
        if (is_blank_or_comment(line.text)) {
            run = cut_run{};
            return true;
        }
        ir_signal s{"", line.number, {}};
        line_tokens tokens{line.text};
        bool named;
        if (!read_name(line, s, named, tokens.at, error)) return false;
        if (const std::size_t comma = empty_field(line.text, tokens.at); comma != std::string_view::npos)
            return fail(error, line.number, static_cast<unsigned>(comma) + 1, "an empty field before ','");
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
        if (!named && run.lines > 0 && count <= run.width) {
            if (count < run.width || run.lines >= 2)
                return cut = true,
                       fail(error, 0, 0,
                            "lines " + std::to_string(run.first_line) + " to " + std::to_string(line.number) +
                                " read as one signal cut into lines of " + std::to_string(run.width) +
                                " durations: join them into one line, or read a LIRC file with --from lirc");
        }
        if (!named && count % 2 == 0 && count <= kShortLine && (run.lines == 0 || count == run.width)) {
            if (run.lines == 0) run = cut_run{line.number, count, 0};
            ++run.lines;
        } else {
            run = cut_run{};
        }
        sink.take(s);
        return true;
    });
}

// Plainly raw: every line of signal is "[name:] N N N ..." in decimal.
bool recognise_raw(std::string_view text) {
    bool any = false;
    const bool all = for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        ir_signal s;
        bool named;
        std::size_t at;
        import_error error;
        if (!read_name(line, s, named, at, error)) return false;
        const std::string_view durations = line.text.substr(at);
        any = true;
        return !trimmed(durations).empty() && durations.find_first_not_of("0123456789, \t\r") == std::string_view::npos;
    });
    return any && all;
}

bool write_raw(const ir_signal& s, const write_settings&, std::string& text, std::string&) {
    append_name(text, s.name, ":,");
    text += ':';
    append_durations(text, s.durations, " ");
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kRawForm{"raw",
                                  read_raw,
                                  recognise_raw,
                                  nullptr,
                                  write_raw,
                                  kUnitOption,
                                  "one signal a line: '[name:] N N N ...' or 'N,N,N', burst first",
                                  ".raw"};
