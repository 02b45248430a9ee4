// esphome-log: the dumps of ESPHome's remote receiver in its log. A log line
// is "[L][TAG:N]: MESSAGE", after a timestamp in brackets or not, with the
// terminal's colour escapes or not. A raw dump is "[I][remote.raw:N]:
// Received Raw: 4088, -1542, 1019, ..." in microseconds, positive a burst
// and negative a gap; a long one goes on over lines of the same tag whose
// message starts with two blanks, each line but the last ending with ','.
// A Pronto dump is "[I][remote.pronto:N]: Received Pronto: data=" with the
// code's words after it or on the lines of that tag after it, as the
// pronto form reads them. Every other line of the log is passed over; a
// comment line just before a dump names it.
#include "tools/forms/kit.h"

extern const signal_form kProntoForm;

namespace {

// A log line taken apart: its component's tag ("remote.raw") and its
// message, with the terminal's escapes left out; `column` is where the
// message starts in the line as it is, when no escape came before it.
struct log_line {
    std::string cleaned;
    std::string_view tag;
    std::string_view message;
    unsigned column = 0;
};

// The line without its escapes ("\x1B[" up to a letter); with `kept_at`,
// where the character `kept_at` of what is kept is in the line.
std::string without_escapes(std::string_view text, std::size_t kept_at = 0, std::size_t* at = nullptr) {
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x1B' && i + 1 < text.size() && text[i + 1] == '[') {
            i += 2;
            while (i < text.size() && !((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z'))) ++i;
            continue;
        }
        if (at != nullptr && kept.size() == kept_at) *at = i;
        kept += text[i];
    }
    return kept;
}

// False for a line that is no log line of a component.
bool take_apart(std::string_view text, log_line& l) {
    l.cleaned = without_escapes(text);
    const std::string_view c = l.cleaned;
    std::size_t at = 0;
    while (at < c.size() && is_blank(c[at])) ++at;
    // The bracketed fields: a timestamp, the level, then the tag and the
    // line of the source, "]:" after the last.
    std::string_view last;
    while (at < c.size() && c[at] == '[') {
        const std::size_t close = c.find(']', at);
        if (close == std::string_view::npos) return false;
        last = c.substr(at + 1, close - at - 1);
        at = close + 1;
    }
    if (last.empty() || at >= c.size() || c[at] != ':') return false;
    l.tag = last.substr(0, last.find(':'));
    ++at;
    if (at < c.size() && c[at] == ' ') ++at;
    l.message = c.substr(at);
    std::size_t in_line = text.size();
    without_escapes(text, at, &in_line);
    l.column = static_cast<unsigned>(in_line) + 1;
    return true;
}

// The most durations a raw dump may hold: far more than a receiver's
// buffer, and a bound on what a dump over many lines costs.

constexpr std::string_view kRawStart = "Received Raw:", kProntoStart = "Received Pronto:";

// The Pronto dump being read: its words as text, and how many.
struct pronto_dump {
    bool open = false;
    std::string words, name;
    std::size_t count = 0, wanted = 0;
    unsigned line = 0;
};

// The values of a raw dump's line into the open signal.
bool read_values(const log_line& l, std::string_view values, unsigned line, stream_signal& s, import_error& error) {
    line_tokens tokens{values};
    const unsigned offset = l.column + static_cast<unsigned>(values.data() - l.message.data()) - 1;
    for (unsigned column;;) {
        std::string_view token = tokens.next(",", column);
        if (token.empty()) return true;
        const bool gap = token[0] == '-';
        if (gap) token.remove_prefix(1);
        std::uint32_t value;
        if (!read_duration(token, line, offset + column + (gap ? 1 : 0), 1, value, error)) return false;
        if (s.signal.durations.size() >= kMostDurations)
            return fail(error, line, offset + column, "a raw dump of more than 65536 durations");
        add_duration(s.signal, !gap, value);
    }
}

// Ends the Pronto dump: its code read as the pronto form reads it.
bool end_pronto(pronto_dump& d, signal_sink& sink, import_error& error) {
    if (!d.open) return true;
    d.open = false;
    std::vector<ir_signal> signals;
    import_error inner;
    const bool read = read_all_signals(kProntoForm, d.words, read_settings{}, signals, nullptr, inner);
    if (!read || signals.size() != 1)
        return fail(error, d.line, 0, "the Pronto dump: " + (read ? std::string("no code") : inner.message));
    signals[0].name = std::move(d.name);
    signals[0].line = d.line;
    sink.take(signals[0]);
    return true;
}

// Adds the words of a Pronto dump's line; `wanted` once its counts are read.
bool add_words(pronto_dump& d, std::string_view words, unsigned line, unsigned column, import_error& error) {
    line_tokens tokens{words};
    for (unsigned at;;) {
        const std::string_view token = tokens.next({}, at);
        if (token.empty()) return true;
        if (token.size() > 4 || token.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
            return fail(error, line, column + at - 1, "not a Pronto word (four hex digits): " + quoted(token));
        if (d.count == 2 || d.count == 3) {
            const std::uint64_t v = *read_number("0x" + std::string(token), 0xFFFF);
            d.wanted += 2 * v;
        }
        d.words += ' ';
        d.words += token;
        ++d.count;
    }
}

bool read_esphome_log(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    stream_signal raw;  // open while a raw dump goes on over lines
    pronto_dump p;
    std::string name;  // a comment line just before a dump names it
    bool cut = false;  // the open raw dump's last line ended with ','
    bool stopped = false;
    // Whether to read on after `ok`: an error goes to the sink.
    const auto going = [&](bool ok) {
        if (!ok && !sink.skip(error)) stopped = true;
        return !stopped;
    };
    const auto cut_short = [&] {
        cut = false;
        raw.skipping = true;
        end_signal(raw, sink);
        return fail(error, raw.signal.line, 0, "a raw dump cut short: its last line ends with ','");
    };
    // One line; false with `error` set for one that cannot be read.
    const auto read_line = [&](text_line line) {
        log_line l;
        const bool logged = !is_blank_or_comment(line.text) && take_apart(line.text, l);
        const bool is_raw = logged && l.tag == "remote.raw", is_pronto = logged && l.tag == "remote.pronto";
        const bool starts = (is_raw && l.message.substr(0, kRawStart.size()) == kRawStart) ||
                            (is_pronto && l.message.substr(0, kProntoStart.size()) == kProntoStart);
        if (cut && (!is_raw || starts) && !going(cut_short())) return true;
        if (p.open && (!is_pronto || starts) && !going(end_pronto(p, sink, error))) return true;
        if (!logged) {
            name = is_blank_or_comment(line.text) ? comment_name(line.text) : std::string();
            return true;
        }
        std::string named = std::move(name);
        name.clear();
        if (is_raw && (starts || cut)) {
            if (starts) {
                raw.name = std::move(named);
                open_signal(raw, line.number);
            }
            const std::string_view values = starts ? l.message.substr(kRawStart.size()) : l.message;
            const std::string_view t = trimmed(values);
            cut = !t.empty() && t.back() == ',';
            if (!raw.skipping && !read_values(l, values, line.number, raw, error)) {
                raw.skipping = true;
                if (!cut) end_signal(raw, sink);
                return false;
            }
            if (cut) return true;
            if (!raw.skipping && raw.signal.durations.empty()) {
                raw.skipping = true;
                end_signal(raw, sink);
                return fail(error, line.number, l.column, "a raw dump without a burst");
            }
            end_signal(raw, sink);
            return true;
        }
        if (is_pronto && (starts || p.open)) {
            std::string_view words = l.message;
            if (starts) {
                p = pronto_dump{true, {}, std::move(named), 0, 0, line.number};
                words = trimmed(words.substr(kProntoStart.size()));
                if (words.substr(0, 5) == "data=") words.remove_prefix(5);
            }
            const unsigned column = l.column + static_cast<unsigned>(words.data() - l.message.data());
            if (!add_words(p, words, line.number, column, error)) return p.open = false, false;
            if (p.count >= 4 && p.count >= 4 + p.wanted) return end_pronto(p, sink, error);
        }
        return true;
    };
    for_each_line(source, [&](text_line line) { return going(read_line(line)); });
    if (stopped || (cut && !going(cut_short()))) return false;
    return going(end_pronto(p, sink, error));
}

// Plainly an ESPHome log: a line of a raw or Pronto dump.
bool recognise_esphome_log(std::string_view text) {
    bool found = false;
    for_each_line(text, [&](text_line line) {
        log_line l;
        found = take_apart(line.text, l) &&
                ((l.tag == "remote.raw" && l.message.substr(0, kRawStart.size()) == kRawStart) ||
                 (l.tag == "remote.pronto" && l.message.substr(0, kProntoStart.size()) == kProntoStart));
        return !found;
    });
    return found;
}

}  // namespace

extern const signal_form kEsphomeLogForm{"esphome-log",
                                         read_esphome_log,
                                         recognise_esphome_log,
                                         nullptr,
                                         nullptr,
                                         0,
                                         "ESPHome logs' raw and Pronto dumps: '[I][remote.raw:041]: "
                                         "Received Raw: 4088, -1542, ...'",
                                         ".log"};
