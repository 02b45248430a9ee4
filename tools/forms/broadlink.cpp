// broadlink: Broadlink IR codes as home-automation configurations store
// them, one a line, "[name:] CODE" or "NAME=CODE" (openHAB's map files), the
// code in base64 (optionally after "b64:") or in hex, quotes around either allowed, and a comma after it as
// a line of a JSON code set has. A code is the byte 0x26
// (infrared), a repeat count, a 16-bit little-endian length, then that many
// bytes of durations in ticks of 2^-15 s: one byte each, or 0x00 and a
// big-endian 16-bit count. The last duration is the gap after the signal,
// usually 0x00 0x0D 0x05; bytes past the length are padding. The repeat
// count gives the copies of the signal in its record (count + 1).
#include <optional>

#include "tools/forms/kit.h"

namespace {

constexpr tick_length kTick = {1000000, 32768};  // 2^-15 s in microseconds
constexpr unsigned char kInfrared = 0x26;
// The gap a written code ends with when its signal ends with a burst:
// 0x0D05 ticks, about 102 ms.
constexpr std::uint32_t kEndingGapTicks = 0x0D05;

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::optional<std::string> from_base64(std::string_view code) {
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '=') {
            if (code.find_first_not_of('=', i) != std::string_view::npos) return std::nullopt;
            break;
        }
        const std::size_t v = kBase64.find(code[i]);
        if (v == std::string_view::npos) return std::nullopt;
        bits = bits << 6 | static_cast<std::uint32_t>(v);
        if ((count += 6) >= 8) {
            count -= 8;
            bytes += static_cast<char>(bits >> count & 0xFF);
        }
    }
    return bytes;
}

std::optional<std::string> from_hex(std::string_view code) {
    if (code.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < code.size(); i += 2) {
        const std::optional<std::uint64_t> v = read_number("0x" + std::string(code.substr(i, 2)), 0xFF);
        if (!v || code.substr(i, 2).find_first_of("xX") != std::string_view::npos) return std::nullopt;
        bytes += static_cast<char>(*v);
    }
    return bytes;
}

std::string_view unquoted(std::string_view s) {
    s = trimmed(s);
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    return s;
}

bool is_hex(std::string_view code) {
    return !code.empty() && code.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// Where the name before a code ends: the first ':', or the first '=' (as
// in an openHAB map file's NAME=CODE) that is not the padding at the end of
// a base64 code.
std::size_t name_end(std::string_view line) {
    const std::size_t colon = line.find(':'), equals = line.find('=');
    if (equals == std::string_view::npos) return colon;
    // A base64 code's padding, perhaps before the comma of a JSON line.
    if (trimmed(line.substr(equals)).find_first_not_of("=,\"'") == std::string_view::npos) return colon;
    if (colon == std::string_view::npos) return equals;
    // "NAME=b64:CODE"; otherwise a ':' ends the name, which may hold '='.
    return colon > equals && unquoted(line.substr(equals + 1, colon - equals - 1)) == "b64" ? equals : colon;
}

bool read_broadlink(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    return for_each_entry_line(source, sink, error, kNeverFatal, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        std::string_view code = line.text;
        ir_signal s{"", line.number, {}};
        // A name before the code: a quoted one, or the text before the
        // first ':' but for the "b64:" that may start the code.
        std::size_t at = 0;
        while (at < code.size() && is_blank(code[at])) ++at;
        if (at < code.size() && code[at] == '"') {
            if (!read_quoted(line.text, line.number, at, s.name, error)) return false;
            while (at < code.size() && is_blank(code[at])) ++at;
            if (at >= code.size() || (code[at] != ':' && code[at] != '='))
                return fail(error, line.number, static_cast<unsigned>(at) + 1,
                            "expected ':' or '=' after the quoted name");
            code = code.substr(at + 1);
        } else if (const std::size_t colon = name_end(code);
                   colon != std::string_view::npos && unquoted(code.substr(0, colon)) != "b64") {
            s.name = std::string(unquoted(code.substr(0, colon)));
            code = code.substr(colon + 1);
        }
        // A line as pasted from a JSON code set ends with a comma.
        code = trimmed(code);
        if (!code.empty() && code.back() == ',') code.remove_suffix(1);
        code = unquoted(code);
        if (code.substr(0, 3) == "b64" && trimmed(code.substr(3)).substr(0, 1) == ":")
            code = unquoted(trimmed(code.substr(3)).substr(1));
        const unsigned column = static_cast<unsigned>(code.data() - line.text.data()) + 1;
        // Hex, with or without 0x; base64 otherwise.
        std::string_view hex_digits = code;
        if (hex_digits.substr(0, 2) == "0x" || hex_digits.substr(0, 2) == "0X") hex_digits.remove_prefix(2);
        const bool hex = is_hex(hex_digits);
        if (hex && hex_digits.size() % 2 != 0)
            return fail(error, line.number, column,
                        "a hex code with an odd number of digits (" + std::to_string(hex_digits.size()) + ")");
        const std::optional<std::string> decoded = hex ? from_hex(hex_digits) : from_base64(code);
        if (!decoded || code.empty())
            return fail(error, line.number, column, "not a base64 or hex code: " + quoted(code));
        const std::string& bytes = *decoded;
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        if (bytes.size() < 4) return fail(error, line.number, column, "a code shorter than its 4-byte head");
        if (byte(0) != kInfrared)
            return fail(error, line.number, column,
                        hex ? "not an infrared code (its first byte is not 0x26)"
                            : "not an infrared code (its first byte is not 0x26, base64 'Jg'): " + quoted(code) +
                                  (code.find_first_not_of("0123456789abcdefABCDEFxX \t") == std::string_view::npos
                                       ? " looks like hex, which is read without blanks and with an even number "
                                         "of digits"
                                       : ""));
        const std::size_t length = byte(2) | std::size_t{byte(3)} << 8;
        if (4 + length > bytes.size())
            return fail(error, line.number, column,
                        "the code says " + std::to_string(length) + " bytes of durations, and holds " +
                            std::to_string(bytes.size() - 4));
        s.repeats = byte(1);
        for (std::size_t i = 4; i < 4 + length;) {
            std::uint64_t ticks = byte(i++);
            if (ticks == 0) {
                if (i + 2 > 4 + length)
                    return fail(error, line.number, column, "a long duration cut by the code's end");
                ticks = std::uint64_t{byte(i)} << 8 | byte(i + 1);
                i += 2;
            }
            if (ticks == 0) return fail(error, line.number, column, "a zero duration");
            s.durations.push_back(static_cast<std::uint32_t>(to_microseconds(ticks, kTick)));
        }
        if (s.durations.empty()) return fail(error, line.number, column, "a code without durations");
        sink.take(s);
        return true;
    });
}

// Plainly Broadlink: the first code decodes to an infrared code's head and
// holds the durations its length says.
bool recognise_broadlink(std::string_view text) {
    const std::string_view line = first_content_line(text);
    return !line.empty() && reads_cleanly(read_broadlink, line);
}

bool write_broadlink(const ir_signal& s, const write_settings&, std::string& text, std::string& problem) {
    std::string body;
    const auto put_ticks = [&](std::uint64_t ticks) {
        if (ticks < 256) {
            body += static_cast<char>(ticks);
        } else {
            body += '\0';
            body += static_cast<char>(ticks >> 8);
            body += static_cast<char>(ticks & 0xFF);
        }
    };
    for (const std::uint32_t microseconds : s.durations) {
        const std::uint64_t ticks = std::max<std::uint64_t>(1, to_ticks(microseconds, kTick));
        if (ticks > 0xFFFF) {
            problem = "a duration of " + std::to_string(microseconds) + " µs is longer than a Broadlink code holds";
            return false;
        }
        put_ticks(ticks);
    }
    if (s.durations.size() % 2 == 1) put_ticks(kEndingGapTicks);
    std::string bytes = {static_cast<char>(kInfrared), static_cast<char>(std::min(s.repeats, 255u)),
                         static_cast<char>(body.size() & 0xFF), static_cast<char>(body.size() >> 8)};
    bytes += body;
    while (bytes.size() % 16 != 0) bytes += '\0';  // padding, as the devices send codes
    append_name(text, s.name, ":=", "b64");
    text += ": ";
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                                    (i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0) |
                                    (i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0);
        for (std::size_t k = 0; k < 4; ++k) text += i + k <= bytes.size() ? kBase64[group >> (18 - 6 * k) & 0x3F] : '=';
    }
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kBroadlinkForm{"broadlink",
                                        read_broadlink,
                                        recognise_broadlink,
                                        nullptr,
                                        write_broadlink,
                                        0,
                                        "Broadlink codes, '[name:] CODE' or 'NAME=CODE' in base64 or hex",
                                        ".broadlink"};
