// flipper: Flipper Zero infrared files ("Filetype: IR signals file" or "IR
// library file", "Version: 1"), a signal per block of "key: value" lines,
// blocks apart by "#" lines. "type: raw" signals give their microseconds in
// "data:", burst first; "type: parsed" signals are encoded from their
// protocol, address and command (four little-endian hex bytes each; see
// protocols.h); a protocol without an encoder is left out, one line each on
// standard error. Files as people paste them are read too: files joined
// one after the other (a "Filetype:" line starts the next), and a first
// line that is missing or damaged, when the first signal reads whole (a note
// says so).
#include <optional>

#include "tools/forms/kit.h"
#include "tools/forms/protocols.h"

namespace {

struct block {
    unsigned line = 0;
    std::string name, type, protocol;
    std::optional<std::uint32_t> address, command;
    std::vector<std::uint32_t> data;
    unsigned data_line = 0;  // the 'data:' line, 0 before it
    std::uint32_t carrier = 0, duty = 0;
    bool skipped = false;  // a line of it could not be read: the signal is left out
};

// Four hex bytes, least significant first: "04 00 00 00" is 4, and so is
// "4 0 0 0" (a byte is a hex number up to FF). Anything else is no value,
// with `problem` saying what is wrong at `column` (of `value`, from 0).
std::optional<std::uint32_t> little_endian(std::string_view value, std::string& problem, std::size_t& column) {
    line_tokens tokens{value};
    std::uint32_t result = 0;
    int count = 0;
    for (unsigned at;; ++count) {
        const std::string_view byte = tokens.next({}, at);
        if (byte.empty()) break;
        const std::optional<std::uint64_t> v = read_number("0x" + std::string(byte), 0xFF);
        if (!v) {
            column = at - 1;
            const bool number = byte.size() >= 2 && byte[0] == '0' && (byte[1] == 'x' || byte[1] == 'X');
            problem = number ? "a hex number where four hex bytes must be, as '04 00 00 00': " + quoted(value)
                             : "not a hex byte: " + quoted(byte) + " (a value is four, as '04 00 00 00')";
            return std::nullopt;
        }
        if (count < 4) result |= static_cast<std::uint32_t>(*v) << (8 * count);
    }
    if (count == 4) return result;
    column = 0;
    problem = "expected four hex bytes: " + quoted(value);
    return std::nullopt;
}

// A duty cycle from 0 to 1, as "0.33" or "0.330000": parts per million.
std::optional<std::uint32_t> read_duty(std::string_view value) {
    const std::size_t point = value.find('.');
    const std::optional<std::uint64_t> whole = read_number(value.substr(0, point), 1);
    if (!whole) return std::nullopt;
    std::string_view digits = point == std::string_view::npos ? "" : value.substr(point + 1);
    if (digits.size() > 6 || (!digits.empty() && !read_number(digits, 999999))) return std::nullopt;
    std::uint64_t ppm = *whole * 1000000;
    std::uint64_t scale = 100000;
    for (const char c : digits) ppm += static_cast<std::uint64_t>(c - '0') * scale, scale /= 10;
    if (ppm == 0 || ppm > 1000000) return std::nullopt;
    return static_cast<std::uint32_t>(ppm);
}

// The signal of a block, to the sink, after `header_note` when that is
// pending; false with `error` set for one that cannot be made.
bool finish(block& b, signal_sink& sink, import_error& error, std::string& header_note) {
    if (b.line == 0 || b.skipped) return true;
    if (b.name.empty()) return fail(error, b.line, 0, "a signal without 'name:'");
    const std::string what = "signal " + quoted(b.name);
    ir_signal s{b.name, b.line, {}};
    s.carrier = b.carrier;
    s.duty = b.duty;
    if (b.type == "raw") {
        if (b.data_line == 0) return fail(error, b.line, 0, what + " has no 'data:'");
        if (b.data.empty()) return fail(error, b.data_line, 0, what + " has no durations");
        s.durations = std::move(b.data);
    } else if (b.type == "parsed") {
        if (!b.address || !b.command) return fail(error, b.line, 0, what + " needs 'address:' and 'command:'");
        if (const parsed_protocol* p = find_protocol(b.protocol)) {
            s.durations = p->frame(*b.address, *b.command);
            if (s.carrier == 0) s.carrier = p->carrier;  // a 'frequency:' line is kept over it
        }
        if (s.durations.empty()) {
            if (!header_note.empty()) sink.note(header_note), header_note.clear();
            sink.note("line " + std::to_string(b.line) + ": " + what + ": protocol " + quoted(b.protocol) +
                      " is not encoded; left out");
            return true;
        }
    } else {
        return fail(error, b.line, 0, what + " has type " + quoted(b.type) + " (raw or parsed)");
    }
    if (!header_note.empty()) sink.note(header_note), header_note.clear();
    sink.take(s);
    return true;
}

bool is_first_line(std::string_view content) {
    return content == "Filetype: IR signals file" || content == "Filetype: IR library file";
}

bool read_flipper(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    block b;
    bool fatal = false;    // the input is no Flipper file
    bool stopped = false;  // the sink stopped the reading
    // Set while the first line is not a Flipper one and no signal has read
    // whole: an entry that cannot be read then says the input is no Flipper
    // file; the first signal that reads whole is preceded by this note.
    std::string header_note;
    bool foreign = false;  // in a joined file of another kind, to its end
    const auto not_flipper = [&] {
        fatal = true;
        return fail(error, 1, 1, "not a Flipper infrared file: the first line is not 'Filetype: IR signals file'");
    };
    const auto close_block = [&] {
        const bool made = finish(b, sink, error, header_note);
        b = block{};
        if (!made && !header_note.empty()) not_flipper();
        stopped = !made && (fatal || !sink.skip(error));
        return !stopped;
    };
    // One line; false with `error` set for one that cannot be read.
    const auto read_line = [&](text_line line) {
        const std::string_view content = trimmed(line.text);
        if (line.number == 1) {
            if (is_first_line(content)) return true;
            header_note = "line 1: not 'Filetype: IR signals file'; the rest reads as a Flipper file";
            // A damaged first line is passed over; a missing one leaves the
            // file's own lines from line 1.
            const bool own = content.empty() || content[0] == '#' || content.substr(0, 8) == "Version:" ||
                             content.substr(0, 5) == "name:";
            if (!own) return true;
        }
        if (foreign && content.substr(0, 9) != "Filetype:") return true;
        if (content.empty()) return true;
        if (content[0] == '#') return close_block(), true;
        const std::size_t colon = content.find(':');
        if (colon == std::string_view::npos) return fail(error, line.number, 1, "expected 'key: value'");
        const std::string_view key = content.substr(0, colon), value = trimmed(content.substr(colon + 1));
        const unsigned value_column = static_cast<unsigned>(value.data() - line.text.data()) + 1;
        if (key == "Version") return true;
        if (key == "Filetype") {              // the next of files joined one after the other
            if (!close_block()) return true;  // the reading stops at the block before
            foreign = !is_first_line(content);
            if (foreign) return fail(error, line.number, 1, "a file of another kind, passed over: " + quoted(content));
            return true;
        }
        if (key == "name") {
            close_block();
            b.line = line.number;
            b.name = std::string(value);
            return true;
        }
        if (b.skipped) return true;
        if (b.line == 0) return fail(error, line.number, 1, quoted(key) + " before the signal's 'name:'");
        if (key == "type") {
            b.type = std::string(value);
        } else if (key == "protocol") {
            b.protocol = std::string(value);
        } else if (key == "address" || key == "command") {
            std::string problem;
            std::size_t at = 0;
            const std::optional<std::uint32_t> v = little_endian(value, problem, at);
            if (!v) return fail(error, line.number, value_column + static_cast<unsigned>(at), problem);
            (key == "address" ? b.address : b.command) = v;
        } else if (key == "data") {
            line_tokens tokens{line.text};
            tokens.at = line.text.find(':') + 1;
            b.data_line = line.number;
            // Plain decimals, most of a Flipper file, are read here in one
            // pass; any other token goes to read_duration, which says what is
            // wrong with it.
            const std::string_view text = line.text;
            for (std::size_t at = tokens.at;;) {
                while (at < text.size() && is_blank(text[at])) ++at;
                if (at == text.size()) break;
                const std::size_t start = at;
                std::uint64_t value_us = 0;
                while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 10)
                    value_us = value_us * 10 + static_cast<unsigned>(text[at++] - '0');
                if ((at == text.size() || is_blank(text[at])) && value_us != 0 && value_us <= 0x7FFFFFFF) {
                    b.data.push_back(static_cast<std::uint32_t>(value_us));
                    continue;
                }
                while (at < text.size() && !is_blank(text[at])) ++at;
                std::uint32_t checked;
                if (!read_duration(text.substr(start, at - start), line.number, static_cast<unsigned>(start) + 1, 1,
                                   checked, error))
                    return false;
                b.data.push_back(checked);
            }
        } else if (key == "frequency") {
            const std::optional<std::uint64_t> hz = read_number(value, 0xFFFFFFFF);
            if (!hz || *hz == 0) return fail(error, line.number, value_column, "not a frequency: " + quoted(value));
            b.carrier = static_cast<std::uint32_t>(*hz);
        } else if (key == "duty_cycle") {
            const std::optional<std::uint32_t> duty = read_duty(value);
            if (!duty) return fail(error, line.number, value_column, "not a duty cycle: " + quoted(value));
            b.duty = *duty;
        } else {
            return fail(error, line.number, 1, "unknown key " + quoted(key));
        }
        return true;
    };
    const bool read = for_each_line(source, [&](text_line line) {
        if (read_line(line)) return !stopped;
        if (!fatal && !header_note.empty()) not_flipper();
        if (fatal) return false;
        b.skipped = b.line != 0;  // the rest of its signal is left out with it
        return sink.skip(error);
    });
    return read && close_block() && (header_note.empty() || not_flipper());
}

// A file that starts with "Filetype: ", or one whose first line is missing
// and that reads cleanly.
bool recognise_flipper(std::string_view text) {
    if (text.substr(0, 10) == "Filetype: ") return true;
    const std::string_view first = first_content_line(text);
    return (first.substr(0, 8) == "Version:" || first.substr(0, 5) == "name:") && reads_cleanly(read_flipper, text);
}

void around_flipper(bool end, const write_settings&, std::string& text) {
    if (!end) text += "Filetype: IR signals file\nVersion: 1\n";
}

bool write_flipper(const ir_signal& s, const write_settings& settings, std::string& text, std::string&) {
    text += "#\nname: ";
    // Flipper names hold printable ASCII only, and lose blanks at either
    // end: others, those blanks and an empty name are written as '_'.
    std::string name;
    for (const char c : s.name) name += c >= 0x20 && c < 0x7F ? c : '_';
    if (name.empty()) name.assign(1, '_');
    if (name.front() == ' ') name.front() = '_';
    if (name.back() == ' ') name.back() = '_';
    text += name;
    text += "\ntype: raw\nfrequency: ";
    append_decimal(text, settings.carrier);
    text += "\nduty_cycle: ";
    const std::uint32_t duty = s.duty != 0 ? s.duty : 330000;
    append_decimal(text, duty / 1000000);
    text += '.';
    const std::string fraction = std::to_string(1000000 + duty % 1000000);
    text += fraction.substr(1);
    text += "\ndata:";
    append_durations(text, s.durations, " ");
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kFlipperForm{
    "flipper",
    read_flipper,
    recognise_flipper,
    around_flipper,
    write_flipper,
    kCarrierOption,
    "Flipper .ir files: raw signals, and parsed ones of SIRC, NEC, NEC42, Samsung32, Pioneer, RCA, Kaseikyo, RC5 "
    "and RC6 (with their variants)",
    ".ir"};
