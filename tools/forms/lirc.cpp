// lirc: LIRC remote configurations (lircd.conf). Every button of every remote
// becomes a signal named "REMOTE BUTTON":
//   - raw codes ("begin raw_codes", "name BUTTON", then durations over any
//     number of lines) are taken as they are;
//   - codes given by parameters ("begin codes", "BUTTON 0xCODE") are encoded
//     as the space (pulse-distance or pulse-width) encoding sends them: the
//     header, the leading pulse, the pre data and its pulse and space, the
//     code's bits, the post pulse and space and the post data, the trailing
//     pulse, the foot, then the gap (with CONST_LENGTH, what is left of it
//     after the signal). Each bit is its "one" or "zero" pulse and space, most
//     significant bit first (REVERSE: least first). The codes of a remote
//     whose flags name another encoding (RC5, RC6, SHIFT_ENC, ...) are left
//     out with one line that names it.
// The remote's frequency, duty_cycle and min_repeat go with its signals.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "tools/forms/kit.h"

namespace {

struct remote {
    std::string name;
    unsigned line = 0;
    std::uint64_t bits = 0, pre_bits = 0, post_bits = 0;
    std::uint64_t pre_data = 0, post_data = 0;
    std::uint32_t header[2] = {}, one[2] = {}, zero[2] = {}, foot[2] = {}, pre[2] = {}, post[2] = {};
    std::uint32_t plead = 0, ptrail = 0, gap = 0;
    std::uint32_t frequency = 0, duty = 0;  // Hz and parts per million, 0 when not given
    unsigned min_repeat = 0;
    bool reverse = false, const_length = false;
    std::string other_encoding;  // a flag of an encoding this reader does not encode
};

// Encodings that are not the space encoding, as flags name them.
constexpr std::string_view kOtherEncodings[] = {"RC5",      "SHIFT_ENC", "RC6", "RCMM",   "SPACE_FIRST",
                                                "GOLDSTAR", "GRUNDIG",   "BO",  "SERIAL", "XMP"};

void send_bits(ir_signal& s, const remote& r, std::uint64_t data, std::uint64_t bits) {
    for (std::uint64_t i = 0; i < bits; ++i) {
        const std::uint64_t bit = r.reverse ? i : bits - 1 - i;
        const std::uint32_t* pair = (data >> bit & 1) ? r.one : r.zero;
        if (pair[0] != 0) add_duration(s, true, pair[0]);
        if (pair[1] != 0) add_duration(s, false, pair[1]);
    }
}

void send_pair(ir_signal& s, const std::uint32_t (&pair)[2], bool pulse_first) {
    if (pair[0] == 0 || pair[1] == 0) return;
    add_duration(s, pulse_first, pulse_first ? pair[0] : pair[1]);
    add_duration(s, !pulse_first, pulse_first ? pair[1] : pair[0]);
}

// "REMOTE BUTTON", or the button alone for a remote without a name.
std::string button_name(const remote& r, std::string_view button) {
    return r.name.empty() ? std::string(button) : r.name + " " + std::string(button);
}

// A button's signal, as the remote sends it.
ir_signal button_signal(const remote& r, std::string_view button, unsigned line) {
    ir_signal s{button_name(r, button), line, {}};
    s.carrier = r.frequency;
    s.duty = r.duty;
    s.repeats = r.min_repeat;
    return s;
}

ir_signal encode(const remote& r, std::string_view button, std::uint64_t code, unsigned line) {
    ir_signal s = button_signal(r, button, line);
    send_pair(s, r.header, true);
    if (r.plead != 0) add_duration(s, true, r.plead);
    if (r.pre_bits != 0) {
        send_bits(s, r, r.pre_data, r.pre_bits);
        send_pair(s, r.pre, true);
    }
    send_bits(s, r, code, r.bits);
    if (r.post_bits != 0) {
        send_pair(s, r.post, true);
        send_bits(s, r, r.post_data, r.post_bits);
    }
    if (r.ptrail != 0) add_duration(s, true, r.ptrail);
    // The foot is a space and then a pulse.
    if (r.foot[0] != 0 && r.foot[1] != 0) {
        add_duration(s, false, r.foot[1]);
        add_duration(s, true, r.foot[0]);
    }
    std::uint64_t length = 0;
    for (const std::uint32_t d : s.durations) length += d;
    const std::uint64_t gap = r.const_length ? (r.gap > length ? r.gap - length : 0) : r.gap;
    if (gap != 0 && !s.durations.empty()) add_duration(s, false, static_cast<std::uint32_t>(gap));
    return s;
}

// A parameter's numbers, decimal or 0x-hexadecimal.
bool read_numbers(line_tokens& tokens, unsigned line, std::uint64_t* values, int count, std::uint64_t limit,
                  import_error& error) {
    for (int i = 0; i < count; ++i) {
        unsigned column;
        const std::string_view token = tokens.next({}, column);
        const std::optional<std::uint64_t> value = read_number(token, limit);
        if (!value) return fail(error, line, column, "not a number: " + quoted(token));
        values[i] = *value;
    }
    return true;
}

bool read_pair(line_tokens& tokens, unsigned line, std::uint32_t (&pair)[2], import_error& error) {
    std::uint64_t values[2];
    if (!read_numbers(tokens, line, values, 2, kLongestDuration, error)) return false;
    pair[0] = static_cast<std::uint32_t>(values[0]);
    pair[1] = static_cast<std::uint32_t>(values[1]);
    return true;
}

bool read_lirc(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    enum class section { outside, remote, codes, raw_codes } where = section::outside;
    remote r;
    bool fatal = false;            // the file's sections do not nest as they must
    bool skipping = false;         // the codes, or the raw code, being read are left out
    std::optional<ir_signal> raw;  // the raw code being read
    // The raw code read, to the sink; false with `error` set for one
    // without durations.
    const auto finish_raw = [&] {
        std::optional<ir_signal> s = std::move(raw);
        raw.reset();
        if (!s || skipping) return true;
        if (s->durations.empty()) return fail(error, s->line, 0, "button " + s->name + " has no durations");
        sink.take(*s);
        return true;
    };
    // One line; false with `error` set for one that cannot be read.
    const auto read_line = [&](text_line line) {
        const std::string_view content = line.text.substr(0, line.text.find('#'));
        line_tokens tokens{content};
        unsigned column;
        const std::string_view word = tokens.next({}, column);
        if (word.empty()) return true;
        const std::string_view second = tokens.next();
        if (where == section::outside && !(word == "begin" && second == "remote")) {
            // A file whose "begin remote" was lost (a damaged first line, a
            // paste that starts after it): the remote starts here.
            sink.note("line " + std::to_string(line.number) +
                      ": no 'begin remote' before it; read as the start of a remote");
            r = remote{};
            r.line = line.number;
            where = section::remote;
        }
        if (word == "begin" || word == "end") {
            const bool begin = word == "begin";
            bool finished = true;
            if (begin && second == "remote" && where == section::outside) {
                r = remote{};
                r.line = line.number;
                where = section::remote;
            } else if (begin && second == "codes" && where == section::remote) {
                where = section::codes;
                skipping = !r.other_encoding.empty();
                if (skipping)
                    return fail(error, line.number, 0,
                                "remote " + r.name + " uses the " + r.other_encoding +
                                    " encoding, which --from lirc does not encode (only SPACE_ENC): its codes are "
                                    "left out");
            } else if (begin && second == "raw_codes" && where == section::remote) {
                where = section::raw_codes;
                skipping = false;
            } else if (!begin && second == "remote" && where == section::remote) {
                where = section::outside;
            } else if (!begin && ((second == "codes" && where == section::codes) ||
                                  (second == "raw_codes" && where == section::raw_codes))) {
                finished = finish_raw();
                where = section::remote;
                skipping = false;
            } else {
                return fatal = true,
                       fail(error, line.number, column, "unexpected " + quoted(content.substr(column - 1)));
            }
            return finished;
        }
        tokens = line_tokens{content};
        tokens.next();
        switch (where) {
            case section::outside:
                break;  // a remote was started above
            case section::codes: {
                if (skipping) return true;
                unsigned code_column;
                const std::string_view code_text = tokens.next({}, code_column);
                const std::optional<std::uint64_t> code = read_number(code_text, UINT64_MAX);
                if (!code) return fail(error, line.number, code_column, "not a code: " + quoted(code_text));
                ir_signal s = encode(r, word, *code, line.number);
                if (s.durations.empty()) return fail(error, line.number, 0, "button " + s.name + " has no durations");
                sink.take(s);
                return true;
            }
            case section::raw_codes: {
                if (word == "name") {
                    const bool finished = finish_raw();
                    skipping = false;
                    raw = button_signal(r, trimmed(tokens.rest()), line.number);
                    return finished;
                }
                if (skipping) return true;
                if (!raw) return fail(error, line.number, column, "durations before 'name BUTTON'");
                tokens = line_tokens{content};
                for (unsigned at;;) {
                    const std::string_view token = tokens.next({}, at);
                    if (token.empty()) break;
                    std::uint32_t value;
                    if (!read_duration(token, line.number, at, 1, value, error)) return skipping = true, false;
                    raw->durations.push_back(value);
                }
                return true;
            }
            case section::remote:
                break;
        }
        std::uint64_t value[2];
        if (word == "name") {
            r.name = std::string(trimmed(content.substr(column - 1 + 4)));
        } else if (word == "flags") {
            std::string flags;
            for (const char c : content.substr(column - 1 + 5))
                if (!is_blank(c)) flags += c;
            for (std::size_t at = 0; at <= flags.size();) {
                const std::size_t bar = std::min(flags.find('|', at), flags.size());
                const std::string_view flag = std::string_view(flags).substr(at, bar - at);
                if (flag == "REVERSE") r.reverse = true;
                if (flag == "CONST_LENGTH") r.const_length = true;
                for (const std::string_view other : kOtherEncodings)
                    if (flag == other && r.other_encoding.empty()) r.other_encoding = std::string(flag);
                at = bar + 1;
            }
        } else if (word == "bits" || word == "pre_data_bits" || word == "post_data_bits") {
            tokens = line_tokens{content};
            tokens.next();
            if (!read_numbers(tokens, line.number, value, 1, 64, error)) return false;
            (word == "bits" ? r.bits : word == "pre_data_bits" ? r.pre_bits : r.post_bits) = value[0];
        } else if (word == "pre_data" || word == "post_data") {
            tokens = line_tokens{content};
            tokens.next();
            if (!read_numbers(tokens, line.number, value, 1, UINT64_MAX, error)) return false;
            (word == "pre_data" ? r.pre_data : r.post_data) = value[0];
        } else if (word == "header" || word == "one" || word == "zero" || word == "foot" || word == "pre" ||
                   word == "post") {
            tokens = line_tokens{content};
            tokens.next();
            std::uint32_t(&pair)[2] = word == "header" ? r.header
                                      : word == "one"  ? r.one
                                      : word == "zero" ? r.zero
                                      : word == "foot" ? r.foot
                                      : word == "pre"  ? r.pre
                                                       : r.post;
            if (!read_pair(tokens, line.number, pair, error)) return false;
        } else if (word == "plead" || word == "ptrail" || word == "gap") {
            tokens = line_tokens{content};
            tokens.next();
            if (!read_numbers(tokens, line.number, value, 1, kLongestDuration, error)) return false;
            (word == "plead" ? r.plead : word == "ptrail" ? r.ptrail : r.gap) = static_cast<std::uint32_t>(value[0]);
        } else if (word == "frequency" || word == "duty_cycle" || word == "min_repeat") {
            tokens = line_tokens{content};
            tokens.next();
            const std::uint64_t limit = word == "frequency" ? 0xFFFFFFFF : word == "duty_cycle" ? 100 : 255;
            if (!read_numbers(tokens, line.number, value, 1, limit, error)) return false;
            if (word == "frequency") r.frequency = static_cast<std::uint32_t>(value[0]);
            if (word == "duty_cycle") r.duty = static_cast<std::uint32_t>(value[0] * 10000);
            if (word == "min_repeat") r.min_repeat = static_cast<unsigned>(value[0]);
        }
        // Other parameters (eps, aeps, repeat, toggle masks, ...) do not
        // change the signal of one press.
        return true;
    };
    const bool read =
        for_each_line(source, [&](text_line line) { return read_line(line) || (!fatal && sink.skip(error)); });
    if (!read) return false;
    if (where != section::outside) return fail(error, r.line, 0, "remote " + r.name + " has no 'end remote'");
    return true;
}

bool recognise_lirc(std::string_view text) {
    bool found = false;
    for_each_line(text, [&](text_line line) {
        line_tokens tokens{line.text.substr(0, line.text.find('#'))};
        found = tokens.next() == "begin" && tokens.next() == "remote";
        return !found;
    });
    return found;
}

}  // namespace

extern const signal_form kLircForm{"lirc",
                                   read_lirc,
                                   recognise_lirc,
                                   nullptr,
                                   nullptr,
                                   0,
                                   "LIRC remote files: raw codes, and codes of the space encoding",
                                   ".lircd.conf"};
