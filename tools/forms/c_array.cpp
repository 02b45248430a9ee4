// c-array: the arrays that microcontroller IR libraries' dump sketches print,
// as people paste them: every "NAME[N] = { ... };" of integers in the text
// (with any type and qualifiers before it, PROGMEM after the brackets, over
// any number of lines, with C comments), and every "Timing[N]:" block of
// "+N, -N" entries. Other text is skipped. Each array is a signal named
// after it, burst first, its values times --unit microseconds. A tick dump
// that starts with the gap before the signal is recognised by its shape, an
// even count whose first value is more than five times every other, and
// loses that first value.
#include <algorithm>
#include <optional>

#include "tools/forms/kit.h"

namespace {

bool is_word_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_space(char c) { return is_blank(c) || c == '\n' || c == '\f' || c == '\v'; }

// Line and column (from 1) of byte `at`.
void place_of(std::string_view text, std::size_t at, unsigned& line, unsigned& column) {
    const std::string_view before = text.substr(0, at);
    line = static_cast<unsigned>(std::count(before.begin(), before.end(), '\n')) + 1;
    const std::size_t line_start = before.rfind('\n');
    column = static_cast<unsigned>(at - (line_start == std::string_view::npos ? 0 : line_start + 1)) + 1;
}

bool fail_at(std::string_view text, std::size_t at, import_error& error, std::string message) {
    unsigned line, column;
    place_of(text, at, line, column);
    return fail(error, line, column, std::move(message));
}

// Skips white space and C comments from `at`.
std::size_t skip_space(std::string_view text, std::size_t at) {
    for (;;) {
        while (at < text.size() && is_space(text[at])) ++at;
        if (text.substr(at, 2) == "//") {
            at = text.find('\n', at);
            if (at == std::string_view::npos) return text.size();
        } else if (text.substr(at, 2) == "/*") {
            at = text.find("*/", at + 2);
            if (at == std::string_view::npos) return text.size();
            at += 2;
        } else {
            return at;
        }
    }
}

// An array's head: NAME[COUNT] then "= {" (an array) or ":" (a timing block).
struct array_head {
    std::string_view name;
    std::optional<std::uint64_t> count;
    std::size_t name_at;
    std::size_t body_at;  // after '{' or ':'
    bool timing;
};

// The head of the array whose '[' is at `bracket`, if it is one.
std::optional<array_head> head_at(std::string_view text, std::size_t bracket) {
    std::size_t name_start = bracket;
    while (name_start > 0 && is_word_character(text[name_start - 1])) --name_start;
    if (name_start == bracket || (text[name_start] >= '0' && text[name_start] <= '9')) return std::nullopt;
    array_head head{text.substr(name_start, bracket - name_start), std::nullopt, name_start, 0, false};
    std::size_t at = skip_space(text, bracket + 1);
    const std::size_t digits = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at > digits) head.count = read_number(text.substr(digits, at - digits), UINT32_MAX);
    at = skip_space(text, at);
    if (at >= text.size() || text[at] != ']') return std::nullopt;
    at = skip_space(text, at + 1);
    if (head.name == "Timing" && at < text.size() && text[at] == ':') {
        head.timing = true;
        head.body_at = at + 1;
        return head;
    }
    if (text.substr(at, 7) == "PROGMEM") at = skip_space(text, at + 7);
    if (at >= text.size() || text[at] != '=') return std::nullopt;
    at = skip_space(text, at + 1);
    if (at >= text.size() || text[at] != '{') return std::nullopt;
    head.body_at = at + 1;
    return head;
}

// The values of an array body up to its '}'. Returns the offset after '}'.
std::optional<std::size_t> read_values(std::string_view text, const array_head& head,
                                       std::vector<std::uint64_t>& values, import_error& error) {
    for (std::size_t at = head.body_at;;) {
        at = skip_space(text, at);
        if (at >= text.size()) {
            fail_at(text, head.name_at, error, std::string(head.name) + " has no closing '}'");
            return std::nullopt;
        }
        if (text[at] == '}') return at + 1;
        if (text[at] == ',') {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && is_word_character(text[end])) ++end;
        std::string_view token = text.substr(at, end - at);
        while (!token.empty() &&
               (token.back() == 'u' || token.back() == 'U' || token.back() == 'l' || token.back() == 'L'))
            token.remove_suffix(1);
        const std::optional<std::uint64_t> value = read_number(token, UINT32_MAX);
        if (!value || end == at) {
            fail_at(text, at, error,
                    "not a number in " + std::string(head.name) + ": " +
                        quoted(text.substr(at, std::max<std::size_t>(end - at, 1))));
            return std::nullopt;
        }
        values.push_back(*value);
        at = end;
    }
}

// The "+N, -N" entries of a timing block, until the first other text.
bool read_timing(std::string_view text, const array_head& head, std::vector<std::uint64_t>& values,
                 import_error& error) {
    for (std::size_t at = head.body_at;;) {
        while (at < text.size() && (is_space(text[at]) || text[at] == ',')) ++at;
        if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return true;
        const bool burst = text[at] == '+';
        if (burst != (values.size() % 2 == 0))
            return fail_at(text, at, error, burst ? "a burst where a gap must be" : "a gap where a burst must be");
        std::size_t digits = at + 1;
        while (digits < text.size() && is_blank(text[digits])) ++digits;
        std::size_t end = digits;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        const std::optional<std::uint64_t> value = read_number(text.substr(digits, end - digits), UINT32_MAX);
        if (!value) return fail_at(text, at, error, "not a timing entry: " + quoted(text.substr(at, end + 1 - at)));
        values.push_back(*value);
        at = end;
    }
}

bool read_c_array(std::string_view text, const read_settings& settings, read_result& result, import_error& error) {
    for (std::size_t bracket = text.find('['); bracket != std::string_view::npos;
         bracket = text.find('[', bracket + 1)) {
        const std::optional<array_head> head = head_at(text, bracket);
        if (!head) continue;
        std::vector<std::uint64_t> values;
        if (head->timing) {
            if (!read_timing(text, *head, values, error)) return false;
        } else {
            const std::optional<std::size_t> end = read_values(text, *head, values, error);
            if (!end) return false;
            if (head->count && *head->count != values.size())
                return fail_at(text, head->name_at, error,
                               std::string(head->name) + "[" + std::to_string(*head->count) + "] holds " +
                                   std::to_string(values.size()) + " values");
            bracket = *end - 1;
        }
        if (values.empty()) return fail_at(text, head->name_at, error, std::string(head->name) + " holds no value");
        // The gap before the signal, which tick dumps print first.
        const std::uint64_t longest_rest = values.size() > 1 ? *std::max_element(values.begin() + 1, values.end()) : 0;
        if (values.size() % 2 == 0 && values[0] > 5 * longest_rest) values.erase(values.begin());
        ir_signal s{std::string(head->name), 0, {}, 0};
        unsigned column;
        place_of(text, head->name_at, s.line, column);
        for (const std::uint64_t v : values) {
            if (v == 0) return fail_at(text, head->name_at, error, std::string(head->name) + " holds a zero duration");
            if (v > kLongestDuration / settings.unit)
                return fail_at(text, head->name_at, error,
                               std::string(head->name) + " holds a duration over 2147483647 microseconds");
            s.durations.push_back(static_cast<std::uint32_t>(v * settings.unit));
        }
        result.signals.push_back(std::move(s));
    }
    return true;
}

bool recognise_c_array(std::string_view text) {
    for (std::size_t bracket = text.find('['); bracket != std::string_view::npos; bracket = text.find('[', bracket + 1))
        if (head_at(text, bracket)) return true;
    return false;
}

bool write_c_array(const ir_signal& s, const write_settings&, std::string& text, std::string&) {
    const bool wide = std::any_of(s.durations.begin(), s.durations.end(), [](std::uint32_t d) { return d > 0xFFFF; });
    text += wide ? "uint32_t " : "uint16_t ";
    append_identifier(text, s.name);
    text += '[';
    append_decimal(text, s.durations.size());
    text += "] = {";
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        text += i % 12 == 0 ? (i == 0 ? "\n    " : ",\n    ") : ", ";
        append_decimal(text, s.durations[i]);
    }
    text += "\n};\n";
    return true;
}

}  // namespace

const signal_form kCArrayForm{"c-array", read_c_array, recognise_c_array, nullptr, write_c_array, kUnitOption};
