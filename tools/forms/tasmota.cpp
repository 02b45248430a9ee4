// tasmota: what Tasmota's IR driver logs and takes. A received signal is a
// line holding {"IrReceived":{... "RawData":[...] ...}} (from the console
// or an MQTT log, after a timestamp and "MQT: tele/.../RESULT = " or not);
// a command is "IRsend FREQ,DURATIONS" (after "CMD: " or not). Either holds
// its durations as decimal numbers separated by commas, burst first, or in
// the compact form: a new duration written with its sign ('+' a burst, '-'
// a gap), each taking the next letter from 'A' to 'Z' in the order they
// come, and a letter repeating its duration, upper case as a burst and
// lower case as a gap ("+8570-4240+550-1580C" ends with 550 µs again).
// FREQ is in Hz, in kHz under 1000, and 0 is 38 kHz. A signal decoded as a
// protocol without RawData ("Protocol", "Bits", "Data") is left out with a
// note; a comment line just before a signal names it. Written signals are
// "IRsend FREQ,COMPACT" lines, FREQ in Hz.
#include <algorithm>
#include <optional>

#include "tools/forms/kit.h"

namespace {

constexpr std::size_t kLetters = 26;
constexpr std::uint32_t kDefaultCarrier = 38000;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_word(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[i]) != word[i]) return false;
    return true;
}

// Appends a duration read at `column` to `s`, burst or gap as the sign or
// letter said; false with `error` set where the other kind must come.
bool put(ir_signal& s, bool burst, std::uint32_t value, unsigned line, unsigned column, import_error& error) {
    if ((s.durations.size() % 2 == 0) != burst)
        return fail(error, line, column, burst ? "a burst where a gap must be" : "a gap where a burst must be");
    if (s.durations.size() == kMostDurations)
        return fail(error, line, column, "more than " + std::to_string(kMostDurations) + " durations");
    s.durations.push_back(value);
    return true;
}

// The compact durations of `text`, which starts at `column` of the line.
bool read_compact(std::string_view text, unsigned line, unsigned column, ir_signal& s, import_error& error) {
    std::uint32_t letters[kLetters];
    std::size_t lettered = 0;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned at = column + static_cast<unsigned>(i);
        const char c = text[i];
        if (c == '+' || c == '-') {
            std::size_t end = i + 1;
            while (end < text.size() && is_digit(text[end])) ++end;
            std::uint32_t value;
            if (!read_duration(text.substr(i + 1, end - i - 1), line, at + 1, 1, value, error)) return false;
            if (!put(s, c == '+', value, line, at, error)) return false;
            if (lettered < kLetters) letters[lettered++] = value;
            i = end;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            const std::size_t k = static_cast<std::size_t>(lower(c) - 'a');
            if (k >= lettered)
                return fail(error, line, at,
                            "the letter '" + std::string(1, c) + "' before the duration it stands for");
            if (!put(s, c <= 'Z', letters[k], line, at, error)) return false;
            ++i;
        } else if (is_blank(c)) {
            ++i;
        } else {
            return fail(error, line, at,
                        "not a compact duration ('+N', '-N' or a letter): " + quoted(text.substr(i, 1)));
        }
    }
    return true;
}

// The durations of `text`, decimal numbers separated by commas, or compact.
bool read_durations(std::string_view text, unsigned line, unsigned column, ir_signal& s, import_error& error) {
    std::size_t first = 0;
    while (first < text.size() && is_blank(text[first])) ++first;
    if (first < text.size() && (text[first] == '+' || text[first] == '-'))
        return read_compact(text.substr(first), line, column + static_cast<unsigned>(first), s, error);
    if (const std::size_t comma = empty_field(text, 0); comma != std::string_view::npos)
        return fail(error, line, column + static_cast<unsigned>(comma), "an empty field before ','");
    line_tokens tokens{text};
    for (unsigned at;;) {
        const std::string_view token = tokens.next(",", at);
        if (token.empty()) break;
        std::uint32_t value;
        if (!read_duration(token, line, column + at - 1, 1, value, error)) return false;
        if (!put(s, s.durations.size() % 2 == 0, value, line, column + at - 1, error)) return false;
    }
    if (!trimmed(text).empty() && trimmed(text).back() == ',')
        return fail(error, line, column + static_cast<unsigned>(text.rfind(',')), "an empty field after the last ','");
    return true;
}

// The value of "KEY": in `text`: a quoted string's text, or a number; ""
// when there is none.
std::string_view json_value(std::string_view text, std::string_view key) {
    const std::size_t at = text.find("\"" + std::string(key) + "\"");
    if (at == std::string_view::npos) return {};
    std::size_t i = at + key.size() + 2;
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i >= text.size() || text[i] != ':') return {};
    ++i;
    while (i < text.size() && is_blank(text[i])) ++i;
    std::size_t end = i;
    if (end < text.size() && text[end] == '"') {
        end = std::min(text.find('"', ++i), text.size());
    } else {
        while (end < text.size() && text[end] != ',' && text[end] != '}' && !is_blank(text[end])) ++end;
    }
    return text.substr(i, end - i);
}

// A received signal: the RawData after `at`, or a note for a decoded one
// without it.
bool read_received(text_line line, std::size_t at, ir_signal& s, signal_sink& sink, import_error& error) {
    const std::string_view text = line.text.substr(at);
    const std::size_t key = text.find("\"RawData\"");
    if (key == std::string_view::npos) {
        std::string what;
        for (const char* name : {"Protocol", "Bits", "Data"})
            if (const std::string_view v = json_value(text, name); !v.empty())
                what += std::string(what.empty() ? "" : ", ") + name + " " + quoted(v);
        sink.note("line " + std::to_string(line.number) + ": a signal received as a protocol (" +
                  (what.empty() ? std::string("none named") : what) + ") without RawData; left out");
        return true;
    }
    std::size_t i = key + 9;
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i < text.size() && text[i] == ':') ++i;
    while (i < text.size() && is_blank(text[i])) ++i;
    const unsigned column = static_cast<unsigned>(at + i) + 1;
    if (i >= text.size() || (text[i] != '[' && text[i] != '"'))
        return fail(error, line.number, column, "expected '[' after \"RawData\":");
    const char close = text[i] == '[' ? ']' : '"';
    const std::size_t end = text.find(close, i + 1);
    if (end == std::string_view::npos)
        return fail(error, line.number, column,
                    std::string("RawData without its closing '") + close + "' (a log line cut short?)");
    if (!read_durations(text.substr(i + 1, end - i - 1), line.number, column + 1, s, error)) return false;
    if (s.durations.empty()) return fail(error, line.number, column, "RawData without durations");
    sink.take(s);
    return true;
}

// Where the command starts in a line: after "CMD: " in a console log line,
// at the start otherwise; npos when it is no IRsend command.
std::size_t irsend_at(std::string_view line) {
    const std::size_t cmd = line.find("CMD: ");
    std::size_t at = cmd == std::string_view::npos ? 0 : cmd + 5;
    while (at < line.size() && is_blank(line[at])) ++at;
    if (!starts_with_word(line.substr(at), "irsend")) return std::string_view::npos;
    std::size_t end = at + 6;
    while (end < line.size() && is_digit(line[end])) ++end;  // IRsend1: the sender's index
    return end < line.size() && is_blank(line[end]) ? at : std::string_view::npos;
}

bool read_irsend(text_line line, std::size_t at, ir_signal& s, signal_sink& sink, import_error& error) {
    line_tokens tokens{line.text, at};
    tokens.next();  // IRsend
    const std::string_view rest = tokens.rest();
    const std::size_t start = static_cast<std::size_t>(rest.data() - line.text.data());
    const unsigned column = static_cast<unsigned>(start) + 1;
    if (rest.substr(0, 1) == "{" || starts_with_word(rest, "raw,")) {
        sink.note("line " + std::to_string(line.number) + ": an IRsend of " +
                  (rest[0] == '{' ? std::string("a protocol's code") : std::string("a bit stream")) +
                  ", not of durations; left out");
        return true;
    }
    const std::size_t comma = rest.find(',');
    const std::string_view frequency = trimmed(rest.substr(0, comma));
    const std::optional<std::uint64_t> f =
        !frequency.empty() && frequency.find_first_not_of("0123456789") == std::string_view::npos
            ? read_number(frequency, 1000000)
            : std::nullopt;
    if (!f || comma == std::string_view::npos)
        return fail(error, line.number, column, "expected 'IRsend FREQ,DURATIONS': " + quoted(rest));
    const std::uint64_t hz = *f == 0 ? kDefaultCarrier : *f < 1000 ? *f * 1000 : *f;
    if (hz < 15000 || hz > 500000)
        return fail(error, line.number, column, "a carrier frequency outside 15 to 500 kHz: " + quoted(frequency));
    s.carrier = static_cast<std::uint32_t>(hz);
    if (!read_durations(rest.substr(comma + 1), line.number, column + static_cast<unsigned>(comma) + 1, s, error))
        return false;
    if (s.durations.empty()) return fail(error, line.number, column, "an IRsend without durations");
    sink.take(s);
    return true;
}

bool read_tasmota(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    return for_each_named_line(source, sink, error, [&](text_line line, std::string name) {
        ir_signal s{std::move(name), line.number, {}};
        if (const std::size_t at = line.text.find("\"IrReceived\""); at != std::string_view::npos)
            return read_received(line, at, s, sink, error);
        if (const std::size_t at = irsend_at(line.text); at != std::string_view::npos)
            return read_irsend(line, at, s, sink, error);
        return true;  // the log's other lines
    });
}

// Plainly Tasmota: a line of a received signal, or an IRsend command with a
// frequency.
bool recognise_tasmota(std::string_view text) {
    bool found = false;
    for_each_line(text, [&](text_line line) {
        found = line.text.find("{\"IrReceived\":") != std::string_view::npos;
        if (const std::size_t at = irsend_at(line.text); at != std::string_view::npos) {
            line_tokens tokens{line.text, at};
            tokens.next();
            const std::string_view rest = tokens.rest();
            found = !rest.empty() && is_digit(rest[0]);
        }
        return !found;
    });
    return found;
}

bool write_tasmota(const ir_signal& s, const write_settings& settings, std::string& text, std::string&) {
    append_name_comment(text, s.name);
    text += "IRsend ";
    append_decimal(text, settings.carrier);
    text += ',';
    std::uint32_t letters[kLetters];
    std::size_t lettered = 0;
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        const std::uint32_t d = s.durations[i];
        const bool burst = i % 2 == 0;
        std::size_t k = 0;
        while (k < lettered && letters[k] != d) ++k;
        if (k < lettered) {
            text += static_cast<char>((burst ? 'A' : 'a') + k);
            continue;
        }
        text += burst ? '+' : '-';
        append_decimal(text, d);
        if (lettered < kLetters) letters[lettered++] = d;
    }
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kTasmotaForm{"tasmota",
                                      read_tasmota,
                                      recognise_tasmota,
                                      nullptr,
                                      write_tasmota,
                                      kCarrierOption,
                                      "Tasmota logs' '{\"IrReceived\":{...\"RawData\":[...]}}' and "
                                      "'IRsend FREQ,...' commands, in numbers or compact",
                                      ".tasmota"};
