// Readers of the mode2, ir-ctl, raw and Pronto text forms.
#include "tools/signal_forms.h"

#include <cstdint>
#include <optional>

#include "tools/text_input.h"

const char* const kImportHelp =
    "\n"
    "usage: mkcapture --from FORMAT [OPTION...] INPUT OUTPUT\n"
    "Writes one record per signal read from INPUT in another tool's text form:\n"
    "  mode2    lines 'pulse N', 'space N', 'timeout N' (a long space or a\n"
    "           timeout ends a signal)\n"
    "  ir-ctl   one signal a line: '+N -N +N ...', optionally '# timeout N'\n"
    "  raw      one signal a line: '[name:] N N N ...' or 'N,N,N', burst first\n"
    "  pronto   one learned Pronto code a line: '0000 FFFF NNNN NNNN ...'\n"
    "Durations are in microseconds. A record is word 0 (the idle time), the\n"
    "signal's copies (bursts at odd words, gaps at even words, the copy gap\n"
    "between copies, a trailing gap of the signal after the last), then 0.\n"
    "Options (numbers decimal or 0x-hexadecimal):\n"
    "  --idle N          word 0 of every record (default 0x2000)\n"
    "  --copies N        copies of the signal in a record (default 1)\n"
    "  --copy-gap N      the gap before each further copy (default 0x20000)\n"
    "  --header BYTE     the header's fill byte (default 0)\n"
    "  --split N         mode2: a space over N ends a signal (default 50000)\n"
    "  --truncate        cut a signal that does not fit in a record (510\n"
    "                    durations with its copies) instead of failing\n"
    "  --manifest FILE   write each record's number (hex, as tavlin prints\n"
    "                    it) and its signal's name or input line to FILE\n"
    "\n"
    "OUTPUT and the manifest: '-' is standard output; a device or a FIFO is\n"
    "written into; a file is replaced only when everything was written, and\n"
    "keeps its permissions; a symbolic link's target is replaced.\n"
    "  -h, --help        this text\n"
    "  --version         the version\n";

namespace {

constexpr std::uint64_t kLongestDuration = 0x7FFFFFFF;  // a duration is a signed 32-bit word

bool fail(import_error& error, unsigned line, unsigned column, std::string message) {
    error = {line, column, std::move(message)};
    return false;
}

// A positive decimal duration in microseconds.
bool read_microseconds(std::string_view token, unsigned line, unsigned column, std::uint32_t& value,
                       import_error& error) {
    if (!token.empty() && token[0] == '-') return fail(error, line, column, "negative duration: " + quoted(token));
    if (token.empty() || token.find_first_not_of("0123456789") != std::string_view::npos)
        return fail(error, line, column, "not a number: " + quoted(token));
    const std::optional<std::uint64_t> number = read_number(token, kLongestDuration);
    if (!number) return fail(error, line, column, "duration over 2147483647 microseconds: " + quoted(token));
    if (*number == 0) return fail(error, line, column, "zero duration");
    value = static_cast<std::uint32_t>(*number);
    return true;
}

bool import_mode2(std::string_view text, std::uint32_t split_gap, std::vector<ir_signal>& signals,
                  import_error& error) {
    bool open = false;  // a signal has begun and not ended
    return for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        line_tokens r{line.text};
        unsigned column, value_column;
        const std::string_view kind = r.next("", column);
        const std::string_view value_text = r.next("", value_column);
        unsigned extra_column;
        if ((kind != "pulse" && kind != "space" && kind != "timeout") || !r.next("", extra_column).empty())
            return fail(error, line.number, column, "expected 'pulse N', 'space N' or 'timeout N'");
        std::uint32_t value;
        if (!read_microseconds(value_text, line.number, value_column, value, error)) return false;
        if (kind == "pulse") {
            if (!open) signals.push_back(ir_signal{"", line.number, {}});
            std::vector<std::uint32_t>& d = signals.back().durations;
            if (open && d.size() % 2 == 1) return fail(error, line.number, column, "a pulse where a space must be");
            d.push_back(value);
            open = true;
        } else if (open) {
            // A long space or a timeout ends the signal; the gap between
            // signals belongs to neither.
            if (kind == "timeout" || value > split_gap) {
                open = false;
            } else {
                std::vector<std::uint32_t>& d = signals.back().durations;
                if (d.size() % 2 == 0) return fail(error, line.number, column, "a space where a pulse must be");
                d.push_back(value);
            }
        }
        return true;  // spaces before the first pulse are the idle time
    });
}

bool import_ir_ctl(std::string_view text, std::vector<ir_signal>& signals, import_error& error) {
    return for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        line_tokens r{line.text};
        ir_signal s{"", line.number, {}};
        for (unsigned column;;) {
            const std::string_view token = r.next("", column);
            if (token.empty() || token[0] == '#') break;  // "# timeout N" ends the line
            const bool burst = s.durations.size() % 2 == 0;
            if (token[0] != '+' && token[0] != '-')
                return fail(error, line.number, column, "a duration must start with + (burst) or - (gap)");
            if ((token[0] == '+') != burst)
                return fail(error, line.number, column,
                            burst ? "a gap where a burst must be" : "a burst where a gap must be");
            std::uint32_t value;
            if (!read_microseconds(token.substr(1), line.number, column + 1, value, error)) return false;
            s.durations.push_back(value);
        }
        signals.push_back(std::move(s));
        return true;
    });
}

bool import_raw(std::string_view text, std::vector<ir_signal>& signals, import_error& error) {
    return for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        line_tokens r{line.text};
        ir_signal s{"", line.number, {}};
        if (const std::size_t colon = line.text.find(':'); colon != std::string_view::npos) {
            const std::string_view name = line.text.substr(0, colon);
            const std::size_t first = name.find_first_not_of(" \t");
            const std::size_t last = name.find_last_not_of(" \t");
            if (first == std::string_view::npos) return fail(error, line.number, colon + 1, "an empty name before ':'");
            s.name = std::string(name.substr(first, last - first + 1));
            r.at = colon + 1;
        }
        for (unsigned column;;) {
            const std::string_view token = r.next(",", column);
            if (token.empty()) break;
            std::uint32_t value;
            if (!read_microseconds(token, line.number, column, value, error)) return false;
            s.durations.push_back(value);
        }
        if (s.durations.empty()) return fail(error, line.number, 0, "a signal without durations");
        signals.push_back(std::move(s));
        return true;
    });
}

bool import_pronto(std::string_view text, std::vector<ir_signal>& signals, import_error& error) {
    return for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        line_tokens r{line.text};
        std::vector<std::uint32_t> words;
        std::vector<unsigned> columns;
        for (unsigned column;;) {
            const std::string_view token = r.next("", column);
            if (token.empty()) break;
            const std::optional<std::uint64_t> word =
                token.size() <= 4 && token.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos
                    ? read_number("0x" + std::string(token), 0xFFFF)
                    : std::nullopt;
            if (!word) return fail(error, line.number, column, "not a Pronto word (four hex digits): " + quoted(token));
            words.push_back(static_cast<std::uint32_t>(*word));
            columns.push_back(column);
        }
        if (words.size() < 4) return fail(error, line.number, 0, "a Pronto code needs at least 4 words");
        if (words[0] != 0)
            return fail(error, line.number, columns[0], "only learned Pronto codes (first word 0000) are read");
        if (words[1] == 0) return fail(error, line.number, columns[1], "a carrier frequency word of 0");
        const std::size_t pairs = std::size_t{words[2]} + words[3];
        if (pairs == 0 || words.size() != 4 + 2 * pairs)
            return fail(error, line.number, 0,
                        "the code has " + std::to_string(words.size()) + " words, its counts say " +
                            std::to_string(4 + 2 * pairs));
        // A count of carrier cycles lasts count × F × 0.241246 µs (F the
        // frequency word): rounded to the nearest microsecond in integers.
        ir_signal s{"", line.number, {}};
        for (std::size_t i = 4; i < words.size(); ++i) {
            if (words[i] == 0) return fail(error, line.number, columns[i], "zero duration");
            const std::uint64_t picoseconds = std::uint64_t{words[i]} * words[1] * 241246;
            const std::uint64_t microseconds = (picoseconds + 500000) / 1000000;
            // A count that lasts less than half a microsecond would be a 0,
            // which ends a record: it is no duration.
            if (microseconds == 0) return fail(error, line.number, columns[i], "a count of under half a microsecond");
            s.durations.push_back(static_cast<std::uint32_t>(microseconds));
        }
        signals.push_back(std::move(s));
        return true;
    });
}

}  // namespace

bool signal_format_named(std::string_view name, signal_format& format) {
    if (name == "mode2")
        format = signal_format::mode2;
    else if (name == "ir-ctl")
        format = signal_format::ir_ctl;
    else if (name == "raw")
        format = signal_format::raw;
    else if (name == "pronto")
        format = signal_format::pronto;
    else
        return false;
    return true;
}

bool import_signals(signal_format format, std::string_view text, std::uint32_t split_gap,
                    std::vector<ir_signal>& signals, import_error& error) {
    switch (format) {
        case signal_format::mode2:
            return import_mode2(text, split_gap, signals, error);
        case signal_format::ir_ctl:
            return import_ir_ctl(text, signals, error);
        case signal_format::raw:
            return import_raw(text, signals, error);
        case signal_format::pronto:
            return import_pronto(text, signals, error);
    }
    return false;
}
