// What the forms share.
#include "tools/forms/kit.h"

#include <algorithm>
#include <optional>

bool fail(import_error& error, unsigned line, unsigned column, std::string message) {
    error = {line, column, std::move(message)};
    return false;
}

bool read_duration(std::string_view token, unsigned line, unsigned column, std::uint64_t unit, std::uint32_t& value,
                   import_error& error) {
    if (!token.empty() && token[0] == '-') return fail(error, line, column, "negative duration: " + quoted(token));
    if (token.empty() || token.find_first_not_of("0123456789") != std::string_view::npos)
        return fail(error, line, column, "not a number: " + quoted(token));
    const std::optional<std::uint64_t> number = read_number(token, kLongestDuration / unit);
    if (!number) return fail(error, line, column, "duration over 2147483647 microseconds: " + quoted(token));
    if (*number == 0) return fail(error, line, column, "zero duration");
    value = static_cast<std::uint32_t>(*number * unit);
    return true;
}

void add_duration(ir_signal& s, bool burst, std::uint32_t value) {
    std::vector<std::uint32_t>& d = s.durations;
    const bool last_is_burst = d.size() % 2 == 1;
    if (!d.empty() && last_is_burst == burst)
        d.back() =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(d.back() + std::uint64_t{value}, kLongestDuration));
    else if (burst || !d.empty())  // a gap before the first burst is idle time, not signal
        d.push_back(value);
}

std::string_view trimmed(std::string_view name) {
    while (!name.empty() && is_blank(name.front())) name.remove_prefix(1);
    while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
    return name;
}

std::uint64_t to_ticks(std::uint64_t microseconds, tick_length tick) {
    return (2 * microseconds * tick.den + tick.num) / (2 * tick.num);
}

std::uint64_t to_microseconds(std::uint64_t ticks, tick_length tick) {
    return (2 * ticks * tick.num + tick.den) / (2 * tick.den);
}

void append_decimal(std::string& text, std::uint64_t value) { text += std::to_string(value); }

void append_durations(std::string& text, const std::vector<std::uint32_t>& durations, std::string_view separator) {
    for (const std::uint32_t d : durations) {
        text += separator;
        append_decimal(text, d);
    }
}

std::string_view first_content_line(std::string_view text) {
    std::string_view found;
    for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        found = line.text;
        return false;
    });
    return found;
}

void append_identifier(std::string& text, std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) text += '_';
    for (const char c : name) {
        const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        text += word ? c : '_';
    }
}
